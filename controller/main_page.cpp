#include "main_page.h"

#include <cwchar>
#include <vector>

#include "heap_text.h"
#include "scoped_handle.h"

namespace {

const wchar_t kProgramName[] = L"Controller.exe";
const wchar_t kPageFile[] = L"res\\_main";
const wchar_t kCopyExtension[] = L".htm";

PageCopyResult Failed(PageCopyResult::Step step)
{
    return {step, step == PageCopyResult::ShortRead ? 0 : GetLastError()};
}

void ShowFileError(HWND owner, DWORD error, const std::wstring& path)
{
    CHeapText<wchar_t> reason(FormatErrorText(error, nullptr));
    std::wstring text = reason ? reason.get() : L"";
    if (!text.empty() && text.back() != L'\n')
        text += L"\r\n";
    text += path;
    MessageBoxW(owner, text.c_str(), L"Error Information", MB_OK | MB_ICONERROR);
}

}  // namespace

std::wstring MainPageSource(const wchar_t* programPath)
{
    const wchar_t* name = programPath ? wcsstr(programPath, kProgramName) : nullptr;
    if (!name)
        return std::wstring();
    return std::wstring(programPath, name - programPath) + kPageFile;
}

PageCopyResult CopyMainPage(const wchar_t* source, const wchar_t* copy)
{
    std::vector<char> bytes;
    {
        CScopedHandle in(CreateFileW(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!in)
            return Failed(PageCopyResult::Open);
        LARGE_INTEGER size = {};
        if (!GetFileSizeEx(in.Get(), &size))
            return Failed(PageCopyResult::Read);
        if (size.QuadPart > MAXDWORD)
            return Failed(PageCopyResult::ShortRead);
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(in.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
            return Failed(PageCopyResult::Read);
        if (read < bytes.size())
            return Failed(PageCopyResult::ShortRead);
    }
    CScopedHandle out(CreateFileW(copy, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out)
        return Failed(PageCopyResult::Create);
    DWORD written = 0;
    if (!WriteFile(out.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return Failed(PageCopyResult::Write);
    return {PageCopyResult::Done, 0};
}

wchar_t* PrepareMainPage(HWND owner)
{
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring source = MainPageSource(program);
    if (source.empty())
        return nullptr;
    std::wstring copy = source + kCopyExtension;
    PageCopyResult result = CopyMainPage(source.c_str(), copy.c_str());
    switch (result.failed) {
    case PageCopyResult::Done:
        return DupWideText(copy.c_str());
    case PageCopyResult::ShortRead:
        return nullptr;
    case PageCopyResult::Open:
    case PageCopyResult::Read:
        ShowFileError(owner, result.error, source);
        return nullptr;
    case PageCopyResult::Create:
    case PageCopyResult::Write:
        ShowFileError(owner, result.error, copy);
        return nullptr;
    }
    return nullptr;
}
