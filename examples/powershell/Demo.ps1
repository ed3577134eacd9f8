# tavlin from PowerShell: a Java list built, sorted and read through COM. The PowerShell
# window's bitness decides which tavlin.dll and which Java runtime it uses ("Windows
# PowerShell (x86)" is the 32-bit one).
#   powershell -ExecutionPolicy Bypass -File Demo.ps1
$ErrorActionPreference = 'Stop'
$util = New-Object -ComObject Tavlin.Util

$list = $util.newInstance('java.util.ArrayList')
foreach ($fruit in 'pear', 'apple', 'fig', 'cherry') { [void]$list.add($fruit) }
$util.newInstance('java.util.Collections').sort($list)
"sorted: $($list.toString()) ($($list.size()) items)"

$math = $util.newInstance('java.lang.Math')
"Math.pow(2, 20) = $($math.pow(2, 20))"

# A Java exception arrives as a COM error whose message is the Java one.
try { $list.get(99) } catch { "list.get(99) failed: $($_.Exception.InnerException.Message)" }
