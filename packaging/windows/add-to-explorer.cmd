@echo off
rem Adds "Set SWF Version to 9" to Explorer's context menu of .swf files and
rem Kestrabin to the Send To menu, for the current user only (no
rem administrator), running the kestrabin.exe that sits beside this script on
rem the one file selected. Run it again after moving the folder: it rewrites
rem both. remove-from-explorer.cmd takes them away again.
setlocal
rem Each step is checked with "if errorlevel": Wine's cmd takes "||" for a failure always.
rem The system's own reg and cscript: cmd looks in the current folder first.
set "reg=%SystemRoot%\System32\reg.exe"
set "cscript=%SystemRoot%\System32\cscript.exe"
set "exe=%~dp0kestrabin.exe"
set "send_to=%~dp0send-to.js"
set "key=HKCU\Software\Classes\SystemFileAssociations\.swf\shell\Kestrabin"
rem From here the folder's name is used as !exe! and !send_to!, which cmd
rem puts in after reading the line, so & ( ) ^ %% or ! in it are taken as letters.
setlocal EnableDelayedExpansion
if not exist "!exe!" (
  echo kestrabin.exe is not in the folder of this script: !exe!
  exit /b 1
)
"!reg!" add "!key!" /ve /d "Set SWF Version to 9" /f >nul
if errorlevel 1 exit /b 1
rem Shown for one selected file only: two files at once are a wrong invocation.
"!reg!" add "!key!" /v MultiSelectModel /d Single /f >nul
if errorlevel 1 exit /b 1
"!reg!" add "!key!" /v Icon /d "\"!exe!\",0" /f >nul
if errorlevel 1 exit /b 1
rem Both the program and the file quoted, so any path works.
"!reg!" add "!key!\command" /ve /d "\"!exe!\" \"%%1\"" /f >nul
if errorlevel 1 exit /b 1
echo Added "Set SWF Version to 9" for .swf files, running !exe!
rem A shortcut needs the shell's own objects, which cmd cannot reach: Windows
rem Script Host, part of Windows, writes it.
"!cscript!" //nologo "!send_to!" add "!exe!"
if errorlevel 1 exit /b 1
