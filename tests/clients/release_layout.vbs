' The release layout: tavlin.dll alone in its folder, no settings, no CLASSPATH, and the
' script started from a folder where somebody left classes of their own (see
' run-client.sh's release layout). Nothing of theirs may load or run.
Plan 5

Dim util, fso, here
Set util = CreateObject("Tavlin.Util")
Set fso = CreateObject("Scripting.FileSystemObject")
here = fso.GetAbsolutePathName(".")

Expect "newInstance works": Check util.newInstance("java.util.ArrayList").size(), 0
Expect "the planted product class did not run": Check fso.FileExists(here & "\planted-QZException-ran"), False
Expect "a planted class is not found": util.newInstance "Planted": CheckError Err.Description, "java.lang.ClassNotFoundException: Planted"
Expect "the planted class did not run": Check fso.FileExists(here & "\planted-Planted-ran"), False
Dim path
Expect "the class path has no empty entry": path = ";" & util.statics("java.lang.System").getProperty("java.class.path") & ";": Check InStr(path, ";;"), 0
Finish
