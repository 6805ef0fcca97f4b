// Puts the "Kestrabin" shortcut in the current user's Send To menu, or takes
// it away; add-to-explorer.cmd and remove-from-explorer.cmd run it with cscript,
// which comes with Windows:
//   cscript //nologo send-to.js add FOLDER\kestrabin.exe
//   cscript //nologo send-to.js remove
// Ends with status 0 when the menu is as asked, 1 when it is not.

// The shell's number for the Send To folder (ssfSENDTO), wherever it lives.
var kSendToFolder = 9;
var kShortcutName = "Kestrabin.lnk";

var args = WScript.Arguments;
var files = new ActiveXObject("Scripting.FileSystemObject");
var folder = new ActiveXObject("Shell.Application").NameSpace(kSendToFolder);
if (!folder) {
  WScript.Echo("The Send To folder was not found.");
  WScript.Quit(1);
}
var shortcut = folder.Self.Path + "\\" + kShortcutName;

if (args.length === 2 && args.Item(0) === "add") {
  // Made anew each time, so a second run repairs it after the folder moved.
  var exe = args.Item(1);
  var link = new ActiveXObject("WScript.Shell").CreateShortcut(shortcut);
  link.TargetPath = exe;
  link.IconLocation = exe + ",0";
  link.Description = "Set SWF Version to 9";
  link.Save();
  if (!files.FileExists(shortcut)) {
    WScript.Echo("Could not write " + shortcut);
    WScript.Quit(1);
  }
  WScript.Echo("Added Send To > Kestrabin: " + shortcut);
} else if (args.length === 1 && args.Item(0) === "remove") {
  if (files.FileExists(shortcut)) {
    files.DeleteFile(shortcut);
    WScript.Echo("Removed Send To > Kestrabin.");
  } else {
    WScript.Echo("Nothing to remove: Kestrabin is not in the Send To menu.");
  }
} else {
  WScript.Echo("usage: send-to.js add FOLDER\\kestrabin.exe | send-to.js remove");
  WScript.Quit(1);
}
WScript.Quit(0);
