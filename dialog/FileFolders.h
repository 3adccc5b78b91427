// Each kind of file is chosen where the last one of its kind was: the folders are kept in
// [FileFolders] of the settings file, and a file dialog starts in its kind's (the home folder the
// first time, not the program's own folder).
#pragma once

#include "platform/cfiledialog.h"

inline constexpr const char* FILE_FOLDERS_SECTION = "FileFolders";

// The kinds, as their keys.
inline constexpr const char* FOLDER_LOG = "Log";
inline constexpr const char* FOLDER_CAPTURE = "Capture";
inline constexpr const char* FOLDER_RECEIVED = "Received";
inline constexpr const char* FOLDER_SEND_FILE = "SendFile";
inline constexpr const char* FOLDER_RULES = "Rules";
inline constexpr const char* FOLDER_COMMANDS = "Commands";
inline constexpr const char* FOLDER_RESULTS = "Results";

// DoModal, started in the kind's folder; a file chosen makes its folder the kind's.
INT_PTR ChooseFile(CFileDialog& dlg, const char* pszKind);
