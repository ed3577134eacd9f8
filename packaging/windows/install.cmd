@echo off
rem Registers tavlin.dll with the automation clients of this machine; uninstall.cmd (the same
rem as "install.cmd /u") removes the registration again.
rem   install.cmd [/u] [/user]
rem On 64-bit Windows both DLLs are registered: x64\tavlin.dll by the 64-bit regsvr32, for
rem 64-bit clients, and x86\tavlin.dll by the 32-bit one, for 32-bit clients such as 32-bit
rem Office; on 32-bit Windows x86\tavlin.dll alone. Run elevated ("Run as administrator") it
rem registers for every user of the machine; otherwise, or with /user, for the current user
rem alone, which needs no administrator rights. Removing takes away the current user's
rem registration, and the machine's too when elevated. Each DLL registers, besides its
rem classes, Tavlin.Util.Isolated, served by the tavlinhost.exe beside it, and the AppID
rem that both share; installing needs that file there.
setlocal EnableExtensions
set "here=%~dp0"
set "action=install"
set "scope="

:arguments
if "%~1"=="" goto arguments_done
if /i "%~1"=="/u" (set "action=uninstall") else if /i "%~1"=="/user" (set "scope=user") else goto usage
shift
goto arguments
:arguments_done
rem No "&&" or "||" below: Wine's cmd runs both sides of "a && b || c"; "if errorlevel" reads
rem the same everywhere.
if not defined scope (
    set "scope=user"
    call :elevated
    if not errorlevel 1 set "scope=machine"
)

rem A 32-bit cmd on 64-bit Windows is shown SysWOW64 as System32; Sysnative is the real one.
set "system=%SystemRoot%\System32"
if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "system=%SystemRoot%\Sysnative"
set "failed="
if exist "%SystemRoot%\SysWOW64\regsvr32.exe" (
    call :%action% "%system%\regsvr32.exe" x64
    if errorlevel 1 set "failed=1"
    call :%action% "%SystemRoot%\SysWOW64\regsvr32.exe" x86
    if errorlevel 1 set "failed=1"
) else (
    call :%action% "%system%\regsvr32.exe" x86
    if errorlevel 1 set "failed=1"
)
if defined failed (
    echo tavlin: the %action% did not complete, see the messages above. 1>&2
    exit /b 1
)
exit /b 0

:install
set "options="
set "done=Registered for every user of this machine:"
if "%scope%"=="user" set "options=/n /i:user"
if "%scope%"=="user" set "done=Registered for the current user:"
if not exist "%here%%~2\tavlinhost.exe" (
    echo tavlin: "%here%%~2\tavlinhost.exe" is missing. 1>&2
    exit /b 1
)
call :regsvr32 %1 %2 "%options%" "%done%"
if errorlevel 1 exit /b 1
exit /b 0

:uninstall
call :regsvr32 %1 %2 "/u /n /i:user" "Removed the current user's registration:"
if errorlevel 1 exit /b 1
if not "%scope%"=="machine" exit /b 0
call :regsvr32 %1 %2 "/u" "Removed the registration for every user:"
if errorlevel 1 exit /b 1
exit /b 0

rem :regsvr32 <regsvr32.exe> <x86|x64> <options> <what was done>
:regsvr32
set "dll=%here%%~2\tavlin.dll"
if not exist "%dll%" goto missing
"%~1" /s %~3 "%dll%"
if errorlevel 1 goto refused
echo %~4 "%dll%"
exit /b 0
:missing
echo tavlin: "%dll%" is missing. 1>&2
exit /b 1
:refused
echo tavlin: "%~1" /s %~3 "%dll%" failed with exit code %errorlevel%. 1>&2
exit /b 1

rem Only an elevated prompt may list the server's sessions (where the Server service runs) or
rem the file-system filters (Windows Vista and later).
:elevated
net session >nul 2>&1
if not errorlevel 1 exit /b 0
fltmc >nul 2>&1
if not errorlevel 1 exit /b 0
exit /b 1

:usage
echo usage: install.cmd [/u] [/user] 1>&2
echo   /u     remove the registration (as uninstall.cmd does) 1>&2
echo   /user  for the current user alone, even when run elevated 1>&2
exit /b 2
