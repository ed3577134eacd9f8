@echo off
rem Removes tavlin.dll's registration: the current user's, and when run elevated the one for
rem every user of the machine (see install.cmd).
rem   uninstall.cmd [/user]
call "%~dp0install.cmd" /u %*
exit /b %errorlevel%
