// The hand-over of a downloaded upgrade: a zip is unpacked through the Windows shell into the
// folder "tolupdate" of the temporary folder and the Updater is started on it, hidden; an
// installer program is started silently. Every step writes a line to the trace log.
#pragma once

#include <string>

// The extension of a path or an address as _splitpath_s gives it (from the last dot of the
// last part, "" when there is none); false when the text cannot be split.
bool PathExtension(const char* path, std::string* extension);
// The text with every '/' and '\' removed from both ends.
std::string TrimPathSeparators(const std::string& path);
// The folder of the running program, trimmed of separators; false when it cannot be had.
bool AgentInstallFolder(std::string* folder);
// "Updater.exe" in the unpacked folder, or in the installation folder when the unpacked one
// has none (or has a folder of that name).
std::string UpdaterPath(const std::string& unpackedFolder, const std::string& installFolder);
// The Updater's command line: the four texts in double quotes, one blank apart.
std::string UpdateCommandLine(const std::string& updaterPath, const std::string& unpackedFolder,
                              const std::string& installFolder, const std::string& version);
// The command that runs a downloaded installer silently: its quoted path and " /S".
std::string SilentInstallerCommand(const std::string& installerPath);

// Deletes the folder with everything in it and creates it again, empty; false (the system's
// error code set) when it could not be removed or not be created afresh.
bool MakeFreshFolder(const std::string& folder);

// Hands a downloaded file over: true when the Updater or the installer was started. A file
// of any other type installs nothing: false, so that a later upgrade command is obeyed.
bool InstallUpgrade(const char* downloadPath, const char* version);
