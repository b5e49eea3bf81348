#include "framework/win32/command_line.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>

std::wstring OrvWide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string OrvNarrow(const std::wstring& text)
{
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), n, nullptr, nullptr);
    return narrow;
}

std::wstring OrvCommandLine(const std::vector<std::string>& argv)
{
    std::wstring line;
    for (const std::string& arg : argv) {
        if (!line.empty())
            line += L' ';
        const std::wstring a = OrvWide(arg);
        if (!a.empty() && a.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
            line += a;
            continue;
        }
        // Backslashes are literal except before a quote (or the closing quote),
        // where each one is doubled.
        line += L'"';
        size_t slashes = 0;
        for (wchar_t c : a) {
            if (c == L'\\') {
                ++slashes;
                continue;
            }
            line.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
            slashes = 0;
            line += c;
        }
        line.append(slashes * 2, L'\\');
        line += L'"';
    }
    return line;
}

namespace {

bool IsFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::wstring OrvProgramPath(const std::string& name)
{
    if (name.empty())
        return {};
    const std::wstring wide = OrvWide(name);
    const size_t slash = wide.find_last_of(L"\\/:");
    const bool hasExtension = wide.find(L'.', slash == std::wstring::npos ? 0 : slash) != std::wstring::npos;
    const auto pick = [&](const std::wstring& path) -> std::wstring {
        if (IsFile(path))
            return path;
        if (!hasExtension && IsFile(path + L".exe"))
            return path + L".exe";
        return {};
    };
    if (slash != std::wstring::npos)
        return pick(wide);
    const wchar_t* path = _wgetenv(L"PATH");
    if (!path)
        return {};
    const std::wstring dirs = path;
    size_t begin = 0;
    while (begin <= dirs.size()) {
        size_t end = dirs.find(L';', begin);
        if (end == std::wstring::npos)
            end = dirs.size();
        std::wstring dir = dirs.substr(begin, end - begin);
        if (dir.size() >= 2 && dir.front() == L'"' && dir.back() == L'"')
            dir = dir.substr(1, dir.size() - 2);
        if (!dir.empty()) {
            if (dir.back() != L'\\' && dir.back() != L'/')
                dir += L'\\';
            if (std::wstring found = pick(dir + wide); !found.empty())
                return found;
        }
        begin = end + 1;
    }
    return {};
}

std::string OrvWindowsError(const std::string& text, unsigned long code)
{
    wchar_t* message = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string said = message ? OrvNarrow(message) : "error " + std::to_string(code);
    LocalFree(message);
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == ' ' || said.back() == '.'))
        said.pop_back();
    return text + ": " + said;
}
