// The system's dialogs for the pages: message boxes, saving, printing, and starting
// the help viewer.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ui/Form.h"

namespace ui::win32 {

void showMessage(HWND owner, const std::string& text, const std::string& caption, MessageKind kind);
bool askSavePath(HWND owner, const SaveDialogRequest& request, std::string& path);
// The filter of a save dialog ("description|pattern|..."), as the dialog takes it:
// pairs ended by NUL, the list by a second NUL. A pattern without wildcard or dot
// ("log") stands for that extension ("*.log").
std::wstring fileFilter(const std::string& filter);
bool printText(HWND owner, const std::vector<std::string>& lines, int points, bool bold);
void startMaximised(const std::string& commandLine);

}  // namespace ui::win32
