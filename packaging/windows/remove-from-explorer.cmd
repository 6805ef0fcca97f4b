@echo off
rem Removes what add-to-explorer.cmd added: the "Set SWF Version to 9" entry
rem of the current user's context menu for .swf files and Kestrabin in the
rem Send To menu, and nothing else.
setlocal
rem Each step is checked with "if errorlevel": Wine's cmd takes "||" for a failure always.
rem The system's own reg and cscript: cmd looks in the current folder first.
set "reg=%SystemRoot%\System32\reg.exe"
set "cscript=%SystemRoot%\System32\cscript.exe"
set "key=HKCU\Software\Classes\SystemFileAssociations\.swf\shell\Kestrabin"
"%reg%" query "%key%" >nul 2>&1
if errorlevel 1 (
  echo Nothing to remove: "Set SWF Version to 9" is not in the menu.
) else (
  "%reg%" delete "%key%" /f >nul
  if errorlevel 1 exit /b 1
  echo Removed "Set SWF Version to 9" from the menu of .swf files.
)
"%cscript%" //nologo "%~dp0send-to.js" remove
if errorlevel 1 exit /b 1
