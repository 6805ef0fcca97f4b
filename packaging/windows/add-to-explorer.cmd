@echo off
rem Adds "Set SWF Version to 9" to Explorer's context menu of .swf files, for
rem the current user only (no administrator), running the kestrabin.exe that
rem sits beside this script on the one file selected. Run it again after
rem moving the folder: it rewrites the entry. remove-from-explorer.cmd takes
rem it away again.
setlocal
rem Each step is checked with "if errorlevel": Wine's cmd takes "||" for a failure always.
set "exe=%~dp0kestrabin.exe"
set "key=HKCU\Software\Classes\SystemFileAssociations\.swf\shell\Kestrabin"
if not exist "%exe%" (
  echo kestrabin.exe is not in the folder of this script: %~dp0
  exit /b 1
)
reg add "%key%" /ve /d "Set SWF Version to 9" /f >nul
if errorlevel 1 exit /b 1
rem Shown for one selected file only: two files at once are a wrong invocation.
reg add "%key%" /v MultiSelectModel /d Single /f >nul
if errorlevel 1 exit /b 1
reg add "%key%" /v Icon /d "\"%exe%\",0" /f >nul
if errorlevel 1 exit /b 1
rem Both the program and the file quoted, so any path works.
reg add "%key%\command" /ve /d "\"%exe%\" \"%%1\"" /f >nul
if errorlevel 1 exit /b 1
echo Added "Set SWF Version to 9" for .swf files, running %exe%
