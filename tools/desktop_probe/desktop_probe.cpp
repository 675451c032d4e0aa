// desktop_probe: a scripted observer of a desktop for system tests of windowed programs.
//
//   desktop_probe <desktop> <width>x<height>
//                                    joins (or makes) the named desktop of the window station,
//                                    a virtual desktop of that size with Wine's shell (taskbar
//                                    and notification area; its settings are removed again at
//                                    the end), waits for its tray and then reads commands from
//                                    standard input, one a line, fields separated by TAB; one
//                                    answer line each on standard output
//   desktop_probe record <file> <arguments...>
//                                    writes "show=<n> args=<arguments>" to the file (n: the
//                                    show command it was started with) — a stand-in handler
//                                    for what a program opens with the shell
//
// Commands (windows as hexadecimal handles; messages as numbers or @<registered name>):
//   env <name> <value>               set for the programs launched later
//   launch <program> [<arguments>]   started in the desktop; "launched <pid>"
//   wait <pid> <ms>                  "exit <code>" or "exit running"
//   kill <pid>                       ends a launched program
//   find <pid|0> <class|*> <title|*> <ms>    a top-level window: "window <hwnd>" | "window none"
//   child <hwnd> <class> <ms>        a descendant window of that class
//   send <hwnd> <msg> <wparam> <lparam>      "result <n>" | "result timeout"
//   post <hwnd|broadcast> <msg> <wparam> <lparam>
//   listen <name> / heard <name> <count> <ms>   counts a registered message broadcast to
//                                    the probe's own top-level window
//   state <hwnd>                     "state exists=<0|1> visible= iconic= rect=l,t,r,b"
//   tray                             "tray l,t,r,b": the taskbar with the notification area
//   untray <hwnd> <id>               removes a window's icon from the notification area
//                                    (Shell_NotifyIcon NIM_DELETE), as a shell restart loses
//                                    it: "untrayed <0|1>"
//   page <hwnd> <text>               WM_COPYDATA text to a window: "page <result>"
//   msgbox <title> <ms>              reads a message box's text and presses its first button:
//                                    "msgbox <text with \r \n escaped>" | "msgbox none"
//   key <hwnd> <virtual key>         brings the window forward and types the key
//   mouse <x> <y> <move|down|up|rdown|rup>   screen coordinates
//   clientpos <hwnd> <x> <y>         "pos <x>,<y>": a client point in screen coordinates
//   moving <hwnd>                    "moving <0|1>": whether the window's thread is moving or
//                                    sizing a window with the mouse
//   sleep <ms>
//   regread <key> <name|->           "value <text>" | "value none" (REG_SZ; - the default value)
//   regwrite <key> <name|-> <text>   "written <0|1>"; keys begin with HKCR, HKCU or HKLM
//   regdelete <key> <name|->         "deleted <0|1>"
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "script_fields.h"

namespace {

const wchar_t kListenerClass[] = L"TolDesktopProbe";
const UINT kLineMessage = WM_APP + 1;

std::wstring g_desktop;
DWORD g_mainThread = 0;
CRITICAL_SECTION g_linesLock;
std::deque<std::wstring> g_lines;
bool g_inputEnded = false;
std::map<UINT, int> g_heard;
std::map<std::wstring, UINT> g_listened;
std::map<DWORD, HANDLE> g_processes;

void Print(const std::wstring& line)
{
    std::wstring text = line + L"\n";
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], bytes, nullptr, nullptr);
    fwrite(out.data(), 1, out.size() - 1, stdout);
    fflush(stdout);
}

std::wstring Hex(const void* handle)
{
    wchar_t text[32];
    swprintf(text, 32, L"%llx",
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(handle)));
    return text;
}

HWND ParseWindow(const std::wstring& text)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(wcstoull(text.c_str(), nullptr, 16)));
}

long long ParseNumber(const std::wstring& text)
{
    return wcstoll(text.c_str(), nullptr, 0);
}

UINT ParseMessage(const std::wstring& text)
{
    if (!text.empty() && text[0] == L'@')
        return RegisterWindowMessageW(text.c_str() + 1);
    return static_cast<UINT>(ParseNumber(text));
}

// Dispatches this thread's messages for up to `ms` milliseconds, or until done() holds.
template <class Done>
bool PumpUntil(DWORD ms, Done done)
{
    ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        DWORD left = static_cast<DWORD>(end - now);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 50 ? left : 50, QS_ALLINPUT);
    }
}

LRESULT CALLBACK ListenerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= 0xC000)
        ++g_heard[message];
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

DWORD WINAPI ReadInput(void*)
{
    std::string line;
    int c;
    for (;;) {
        c = getchar();
        if (c == EOF || c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (c != EOF || !line.empty()) {
                int chars = MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, nullptr, 0);
                std::wstring wide(static_cast<size_t>(chars), L'\0');
                MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, &wide[0], chars);
                wide.resize(wcslen(wide.c_str()));
                EnterCriticalSection(&g_linesLock);
                g_lines.push_back(wide);
                LeaveCriticalSection(&g_linesLock);
            }
            line.clear();
            if (c == EOF)
                break;
            PostThreadMessageW(g_mainThread, kLineMessage, 0, 0);
        } else {
            line += static_cast<char>(c);
        }
    }
    EnterCriticalSection(&g_linesLock);
    g_inputEnded = true;
    LeaveCriticalSection(&g_linesLock);
    PostThreadMessageW(g_mainThread, kLineMessage, 0, 0);
    return 0;
}

struct FindRequest {
    DWORD pid;
    std::wstring className;
    std::wstring title;
    HWND found;
};

bool Matches(HWND hwnd, const FindRequest& r)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (r.pid && pid != r.pid)
        return false;
    wchar_t text[256] = {};
    if (r.className != L"*") {
        GetClassNameW(hwnd, text, 256);
        if (r.className != text)
            return false;
    }
    if (r.title != L"*") {
        GetWindowTextW(hwnd, text, 256);
        if (r.title != text)
            return false;
    }
    return true;
}

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param)
{
    auto* r = reinterpret_cast<FindRequest*>(param);
    if (!Matches(hwnd, *r))
        return TRUE;
    r->found = hwnd;
    return FALSE;
}

HWND FindTopLevelWindow(DWORD pid, const std::wstring& cls, const std::wstring& title, DWORD ms)
{
    FindRequest r{pid, cls, title, nullptr};
    PumpUntil(ms, [&] {
        EnumDesktopWindows(GetThreadDesktop(GetCurrentThreadId()), FindTopLevel,
                           reinterpret_cast<LPARAM>(&r));
        return r.found != nullptr;
    });
    return r.found;
}

HWND FindDescendant(HWND parent, const std::wstring& cls, DWORD ms)
{
    FindRequest r{0, cls, L"*", nullptr};
    PumpUntil(ms, [&] {
        EnumChildWindows(parent, FindTopLevel, reinterpret_cast<LPARAM>(&r));
        return r.found != nullptr;
    });
    return r.found;
}

std::wstring Escape(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text)
        out += c == L'\r' ? L"\\r" : c == L'\n' ? L"\\n" : std::wstring(1, c);
    return out;
}

BOOL CALLBACK CollectStatic(HWND hwnd, LPARAM param)
{
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (_wcsicmp(cls, L"Static") == 0) {
        wchar_t text[1024] = {};
        GetWindowTextW(hwnd, text, 1024);
        auto* longest = reinterpret_cast<std::wstring*>(param);
        if (wcslen(text) > longest->size())
            *longest = text;
    }
    return TRUE;
}

void SendKey(WORD vk)
{
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = vk;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

void SendMouse(int x, int y, const std::wstring& action)
{
    SetCursorPos(x, y);
    DWORD flags = action == L"down"    ? MOUSEEVENTF_LEFTDOWN
                  : action == L"up"    ? MOUSEEVENTF_LEFTUP
                  : action == L"rdown" ? MOUSEEVENTF_RIGHTDOWN
                  : action == L"rup"   ? MOUSEEVENTF_RIGHTUP
                                       : 0;
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>(x * 65535LL / (GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = static_cast<LONG>(y * 65535LL / (GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(INPUT));
}

std::wstring Launch(const std::vector<std::wstring>& f)
{
    std::wstring command = L"\"" + f[1] + L"\"";
    if (f.size() > 2)
        command += L" " + f[2];
    SECURITY_ATTRIBUTES inherit = {};
    inherit.nLength = sizeof(inherit);
    inherit.bInheritHandle = TRUE;
    HANDLE nul =
        CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.lpDesktop = &g_desktop[0];
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    BOOL ok =
        CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    DWORD error = GetLastError();
    CloseHandle(nul);
    if (!ok)
        return L"launch failed " + std::to_wstring(error);
    CloseHandle(pi.hThread);
    g_processes[pi.dwProcessId] = pi.hProcess;
    return L"launched " + std::to_wstring(pi.dwProcessId);
}

std::wstring Wait(DWORD pid, DWORD ms)
{
    auto it = g_processes.find(pid);
    if (it == g_processes.end())
        return L"exit unknown";
    DWORD code = STILL_ACTIVE;
    PumpUntil(ms, [&] { return WaitForSingleObject(it->second, 0) == WAIT_OBJECT_0; });
    if (WaitForSingleObject(it->second, 0) != WAIT_OBJECT_0)
        return L"exit running";
    GetExitCodeProcess(it->second, &code);
    return L"exit " + std::to_wstring(code);
}

// A registry path "HKCR\\..." split into its root and the rest.
HKEY SplitKey(const std::wstring& path, std::wstring* rest)
{
    size_t slash = path.find(L'\\');
    std::wstring root = path.substr(0, slash);
    *rest = slash == std::wstring::npos ? L"" : path.substr(slash + 1);
    if (root == L"HKCR")
        return HKEY_CLASSES_ROOT;
    if (root == L"HKCU")
        return HKEY_CURRENT_USER;
    if (root == L"HKLM")
        return HKEY_LOCAL_MACHINE;
    return nullptr;
}

const wchar_t* ValueName(const std::wstring& name)
{
    return name == L"-" ? nullptr : name.c_str();
}

std::wstring RegRead(const std::wstring& path, const std::wstring& name)
{
    std::wstring rest;
    HKEY root = SplitKey(path, &rest);
    wchar_t text[1024] = {};
    DWORD size = sizeof(text);
    if (!root || RegGetValueW(root, rest.c_str(), ValueName(name), RRF_RT_REG_SZ, nullptr, text,
                              &size) != ERROR_SUCCESS)
        return L"value none";
    return std::wstring(L"value ") + text;
}

bool RegWrite(const std::wstring& path, const std::wstring& name, const std::wstring& text)
{
    std::wstring rest;
    HKEY root = SplitKey(path, &rest);
    HKEY key = nullptr;
    if (!root || RegCreateKeyExW(root, rest.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                 nullptr) != ERROR_SUCCESS)
        return false;
    LONG done =
        RegSetValueExW(key, ValueName(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return done == ERROR_SUCCESS;
}

bool RegDelete(const std::wstring& path, const std::wstring& name)
{
    std::wstring rest;
    HKEY root = SplitKey(path, &rest);
    if (!root)
        return false;
    if (name == L"-")
        return RegDeleteTreeW(root, rest.c_str()) == ERROR_SUCCESS &&
               RegDeleteKeyW(root, rest.c_str()) == ERROR_SUCCESS;
    return RegDeleteKeyValueW(root, rest.c_str(), name.c_str()) == ERROR_SUCCESS;
}

// The desktop's size and shell, read by Wine's explorer when it makes the desktop.
const wchar_t kDesktopsKey[] = L"HKCU\\Software\\Wine\\Explorer\\Desktops";

void ConfigureDesktop(const std::wstring& name, const std::wstring& size)
{
    RegWrite(kDesktopsKey, name, size);
    std::wstring rest;
    HKEY root = SplitKey(std::wstring(kDesktopsKey) + L"\\" + name, &rest);
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, rest.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        DWORD shell = 1;
        RegSetValueExW(key, L"EnableShell", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&shell),
                       sizeof(shell));
        RegCloseKey(key);
    }
}

void UnconfigureDesktop(const std::wstring& name)
{
    RegDelete(std::wstring(kDesktopsKey) + L"\\" + name, L"-");
    RegDelete(kDesktopsKey, name);
}

std::wstring Execute(const std::vector<std::wstring>& f, HWND listener)
{
    const std::wstring& c = f[0];
    auto arg = [&](size_t i) { return i < f.size() ? f[i] : std::wstring(); };
    if (c == L"env") {
        SetEnvironmentVariableW(arg(1).c_str(), arg(2).empty() ? nullptr : arg(2).c_str());
        return L"env ok";
    }
    if (c == L"launch" && f.size() > 1)
        return Launch(f);
    if (c == L"wait")
        return Wait(static_cast<DWORD>(ParseNumber(arg(1))),
                    static_cast<DWORD>(ParseNumber(arg(2))));
    if (c == L"kill") {
        auto it = g_processes.find(static_cast<DWORD>(ParseNumber(arg(1))));
        if (it != g_processes.end())
            TerminateProcess(it->second, 1);
        return L"killed";
    }
    if (c == L"find") {
        HWND found = FindTopLevelWindow(static_cast<DWORD>(ParseNumber(arg(1))), arg(2), arg(3),
                                        static_cast<DWORD>(ParseNumber(arg(4))));
        return found ? L"window " + Hex(found) : L"window none";
    }
    if (c == L"child") {
        HWND found =
            FindDescendant(ParseWindow(arg(1)), arg(2), static_cast<DWORD>(ParseNumber(arg(3))));
        return found ? L"window " + Hex(found) : L"window none";
    }
    if (c == L"send") {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(
                ParseWindow(arg(1)), ParseMessage(arg(2)), static_cast<WPARAM>(ParseNumber(arg(3))),
                static_cast<LPARAM>(ParseNumber(arg(4))), SMTO_NORMAL, 10000, &result))
            return L"result timeout";
        return L"result " + std::to_wstring(static_cast<long long>(result));
    }
    if (c == L"post") {
        HWND target = arg(1) == L"broadcast" ? HWND_BROADCAST : ParseWindow(arg(1));
        BOOL ok =
            PostMessageW(target, ParseMessage(arg(2)), static_cast<WPARAM>(ParseNumber(arg(3))),
                         static_cast<LPARAM>(ParseNumber(arg(4))));
        return L"posted " + std::to_wstring(ok ? 1 : 0);
    }
    if (c == L"listen") {
        UINT message = RegisterWindowMessageW(arg(1).c_str());
        g_listened[arg(1)] = message;
        return L"listening " + std::to_wstring(message);
    }
    if (c == L"heard") {
        UINT message = g_listened[arg(1)];
        int wanted = static_cast<int>(ParseNumber(arg(2)));
        PumpUntil(static_cast<DWORD>(ParseNumber(arg(3))),
                  [&] { return g_heard[message] >= wanted; });
        return L"heard " + arg(1) + L" " + std::to_wstring(g_heard[message]);
    }
    if (c == L"state") {
        HWND hwnd = ParseWindow(arg(1));
        RECT r = {};
        GetWindowRect(hwnd, &r);
        wchar_t text[160];
        swprintf(text, 160, L"state exists=%d visible=%d iconic=%d rect=%ld,%ld,%ld,%ld",
                 IsWindow(hwnd) ? 1 : 0, IsWindowVisible(hwnd) ? 1 : 0, IsIconic(hwnd) ? 1 : 0,
                 r.left, r.top, r.right, r.bottom);
        return text;
    }
    if (c == L"tray") {
        HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
        RECT r = {};
        if (!tray || !GetWindowRect(tray, &r))
            return L"tray none";
        wchar_t text[96];
        swprintf(text, 96, L"tray %ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
        return text;
    }
    if (c == L"untray") {
        NOTIFYICONDATAW data = {};
        data.cbSize = sizeof(data);
        data.hWnd = ParseWindow(arg(1));
        data.uID = static_cast<UINT>(ParseNumber(arg(2)));
        return L"untrayed " + std::to_wstring(Shell_NotifyIconW(NIM_DELETE, &data) ? 1 : 0);
    }
    if (c == L"page") {
        std::wstring text = arg(2);
        COPYDATASTRUCT data = {0, static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)),
                               &text[0]};
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(ParseWindow(arg(1)), WM_COPYDATA,
                                 reinterpret_cast<WPARAM>(listener),
                                 reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000, &result))
            return L"page timeout";
        return L"page " + std::to_wstring(static_cast<long long>(result));
    }
    if (c == L"msgbox") {
        HWND box =
            FindTopLevelWindow(0, L"#32770", arg(1), static_cast<DWORD>(ParseNumber(arg(2))));
        if (!box)
            return L"msgbox none";
        std::wstring text;
        EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&text));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return L"msgbox " + Escape(text);
    }
    if (c == L"key") {
        SetForegroundWindow(ParseWindow(arg(1)));
        PumpUntil(200, [] { return false; });
        SendKey(static_cast<WORD>(ParseNumber(arg(2))));
        return L"key sent";
    }
    if (c == L"mouse") {
        SendMouse(static_cast<int>(ParseNumber(arg(1))), static_cast<int>(ParseNumber(arg(2))),
                  arg(3));
        return L"mouse sent";
    }
    if (c == L"clientpos") {
        POINT p = {static_cast<LONG>(ParseNumber(arg(2))), static_cast<LONG>(ParseNumber(arg(3)))};
        ClientToScreen(ParseWindow(arg(1)), &p);
        return L"pos " + std::to_wstring(p.x) + L"," + std::to_wstring(p.y);
    }
    if (c == L"regread")
        return RegRead(arg(1), arg(2));
    if (c == L"regwrite")
        return L"written " + std::to_wstring(RegWrite(arg(1), arg(2), arg(3)) ? 1 : 0);
    if (c == L"regdelete")
        return L"deleted " + std::to_wstring(RegDelete(arg(1), arg(2)) ? 1 : 0);
    if (c == L"moving") {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        DWORD thread = GetWindowThreadProcessId(ParseWindow(arg(1)), nullptr);
        bool moving = thread && GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMOVESIZE);
        return L"moving " + std::to_wstring(moving ? 1 : 0);
    }
    if (c == L"sleep") {
        PumpUntil(static_cast<DWORD>(ParseNumber(arg(1))), [] { return false; });
        return L"slept";
    }
    return L"unknown " + c;
}

int Record(int argc, wchar_t** argv)
{
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    GetStartupInfoW(&si);
    std::wstring line = L"show=" +
                        std::to_wstring((si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1) +
                        L" args=";
    for (int i = 3; i < argc; ++i)
        line += (i > 3 ? L" " : L"") + std::wstring(argv[i]);
    FILE* out = _wfopen(argv[2], L"w, ccs=UTF-8");
    if (!out)
        return 1;
    fwprintf(out, L"%ls\n", line.c_str());
    fclose(out);
    return 0;
}

// This process holds the window station's default desktop, where programs started outside the
// test desktop (registrations, services) live, for as long as it runs. That desktop's shell is
// started here, without the display, so that it is not started later by one of those programs
// and does not keep their output pipes open while this process holds it.
void StartDefaultDesktopShell()
{
    wchar_t display[256] = {};
    DWORD length = GetEnvironmentVariableW(L"DISPLAY", display, 256);
    SetEnvironmentVariableW(L"DISPLAY", nullptr);
    GetDesktopWindow();
    if (length && length < 256)
        SetEnvironmentVariableW(L"DISPLAY", display);
}

int Observe(const wchar_t* desktopName, const wchar_t* size)
{
    StartDefaultDesktopShell();
    g_desktop = desktopName;
    ConfigureDesktop(desktopName, size);
    HDESK desktop = CreateDesktopW(desktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (!desktop || !SetThreadDesktop(desktop)) {
        Print(L"failed desktop " + std::to_wstring(GetLastError()));
        UnconfigureDesktop(desktopName);
        return 1;
    }
    g_mainThread = GetCurrentThreadId();
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, for the reader
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ListenerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kListenerClass;
    RegisterClassW(&wc);
    HWND listener = CreateWindowExW(WS_EX_TOOLWINDOW, kListenerClass, L"", WS_POPUP, 0, 0, 1, 1,
                                    nullptr, nullptr, wc.hInstance, nullptr);
    HWND tray = FindTopLevelWindow(0, L"Shell_TrayWnd", L"*", 20000);
    Print(L"ready " + Hex(listener) + L" tray=" + (tray ? Hex(tray) : L"none"));

    InitializeCriticalSection(&g_linesLock);
    HANDLE reader = CreateThread(nullptr, 0, ReadInput, nullptr, 0, nullptr);
    for (;;) {
        std::wstring line;
        bool have = false;
        bool ended = false;
        EnterCriticalSection(&g_linesLock);
        if (!g_lines.empty()) {
            line = g_lines.front();
            g_lines.pop_front();
            have = true;
        }
        ended = g_inputEnded;
        LeaveCriticalSection(&g_linesLock);
        if (have) {
            if (!line.empty())
                Print(Execute(SplitFields(line), listener));
            continue;
        }
        if (ended)
            break;
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    WaitForSingleObject(reader, 1000);
    for (auto& process : g_processes)
        CloseHandle(process.second);
    DestroyWindow(listener);
    UnconfigureDesktop(desktopName);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 3 && wcscmp(argv[1], L"record") == 0)
        return Record(argc, argv);
    if (argc != 3) {
        fwprintf(stderr,
                 L"usage: desktop_probe <desktop> <width>x<height> | "
                 L"desktop_probe record <file> <args...>\n");
        return 2;
    }
    return Observe(argv[1], argv[2]);
}
