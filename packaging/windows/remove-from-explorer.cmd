@echo off
rem Removes what add-to-explorer.cmd added: the "Set SWF Version to 9" entry
rem of the current user's context menu for .swf files, and nothing else.
setlocal
rem Each step is checked with "if errorlevel": Wine's cmd takes "||" for a failure always.
set "key=HKCU\Software\Classes\SystemFileAssociations\.swf\shell\Kestrabin"
reg query "%key%" >nul 2>&1
if errorlevel 1 (
  echo Nothing to remove: "Set SWF Version to 9" is not in the menu.
  exit /b 0
)
reg delete "%key%" /f >nul
if errorlevel 1 exit /b 1
echo Removed "Set SWF Version to 9" from the menu of .swf files.
