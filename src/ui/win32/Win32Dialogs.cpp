#include "ui/win32/Win32Dialogs.h"

#include <commdlg.h>

#include <algorithm>

#include "ui/win32/Win32Fonts.h"
#include "ui/win32/Win32Text.h"

namespace ui::win32 {

void showMessage(HWND owner, const std::string& text, const std::string& caption, MessageKind kind)
{
    const UINT icon = kind == MessageKind::Confirmation ? MB_ICONQUESTION : MB_ICONINFORMATION;
    MessageBoxW(owner, gbkToWide(text).c_str(), gbkToWide(caption).c_str(),
                MB_OK | icon | MB_TOPMOST | MB_SETFOREGROUND);
}

std::wstring fileFilter(const std::string& filter)
{
    std::vector<std::wstring> parts;
    const std::wstring wide = gbkToWide(filter);
    size_t start = 0;
    while (start <= wide.size()) {
        size_t end = wide.find(L'|', start);
        if (end == std::wstring::npos) end = wide.size();
        parts.push_back(wide.substr(start, end - start));
        start = end + 1;
    }
    std::wstring result;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::wstring pattern = parts[i + 1];
        if (pattern.find_first_of(L"*?.") == std::wstring::npos && !pattern.empty()) pattern = L"*." + pattern;
        result += parts[i];
        result += L'\0';
        result += pattern;
        result += L'\0';
    }
    if (result.empty()) {
        result = L"*.*";
        result += L'\0';
        result += L"*.*";
        result += L'\0';
    }
    result += L'\0';
    return result;
}

bool askSavePath(HWND owner, const SaveDialogRequest& request, std::string& path)
{
    std::vector<wchar_t> file(MAX_PATH * 4, L'\0');
    const std::wstring filter = fileFilter(request.filter);
    const std::wstring extension = gbkToWide(request.defaultExtension);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return false;
    // A name that GBK cannot carry would name another file: refuse it.
    return wideToGbk(std::wstring(file.data()), path);
}

namespace {

// Plain text on the printer, one text line per printed line, pages broken when full.
bool printOnDevice(HDC printer, const std::vector<std::string>& lines, int points, bool bold)
{
    DOCINFOW document{};
    document.cbSize = sizeof document;
    document.lpszDocName = L"Log";
    if (StartDocW(printer, &document) <= 0) return false;
    HFONT font = createPageFont(points, bold, printer);
    HGDIOBJ previous = SelectObject(printer, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(printer, &metrics);
    const int lineHeight = std::max<int>(metrics.tmHeight + metrics.tmExternalLeading, 1);
    const int pageHeight = GetDeviceCaps(printer, VERTRES);
    const int margin = GetDeviceCaps(printer, LOGPIXELSY) / 2;
    const int bottom = std::max(pageHeight - margin, margin + lineHeight);
    bool ok = StartPage(printer) > 0;
    int y = margin;
    for (size_t i = 0; ok && i < lines.size(); ++i) {
        if (y + lineHeight > bottom) {
            ok = EndPage(printer) > 0 && StartPage(printer) > 0;
            SelectObject(printer, font);  // a new page may reset the selected objects
            y = margin;
        }
        const std::wstring line = gbkToWide(lines[i]);
        if (ok && !line.empty()) TextOutW(printer, margin, y, line.c_str(), static_cast<int>(line.size()));
        y += lineHeight;
    }
    if (ok) ok = EndPage(printer) > 0;
    SelectObject(printer, previous);
    DeleteObject(font);
    if (ok) {
        EndDoc(printer);
    } else {
        AbortDoc(printer);
    }
    return ok;
}

}  // namespace

bool printText(HWND owner, const std::vector<std::string>& lines, int points, bool bold)
{
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
    dialog.nCopies = 1;
    if (!PrintDlgW(&dialog)) return false;
    if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
    if (!dialog.hDC) return false;
    printOnDevice(dialog.hDC, lines, points, bold);
    DeleteDC(dialog.hDC);
    return true;
}

void startMaximised(const std::string& commandLine)
{
    std::wstring command = gbkToWide(commandLine);
    if (command.empty()) return;
    std::vector<wchar_t> buffer(command.begin(), command.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMAXIMIZED;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

}  // namespace ui::win32
