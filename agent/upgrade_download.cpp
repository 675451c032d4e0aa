// The upgrade download thread: the file of the UPD command fetched over HTTPS into the
// temporary folder and handed to the installer step.
#include "main_worker.h"

#include "agent_texts.h"
#include "heap_helpers.h"
#include "trace_log.h"
#include "upgrade_download.h"
#include "upgrade_install.h"

#include "com_init.h"

#include <exception>
#include <vector>

namespace {

constexpr DWORD kOpenFlags = 0x80300;        // no cookies, no UI, pragma no-cache
constexpr DWORD kConnectFlags = 0x280000;    // no auto redirect, no cookies
constexpr DWORD kRequestFlags = 0x84E8F000;  // reload, no cache write, secure, keep-alive,
                                             // no redirects, no cookies, certificate date
                                             // and name not checked
constexpr DWORD kRelaxedSecurity = SECURITY_FLAG_IGNORE_UNKNOWN_CA |
                                   SECURITY_FLAG_IGNORE_WRONG_USAGE |
                                   SECURITY_FLAG_IGNORE_REVOCATION;
constexpr DWORD kReadChunk = 1024;
constexpr size_t kFirstBufferSize = 10240;
// The longest wait for any one step of the exchange (connect, send, a read that brings
// nothing), so that the time limit is looked at even when the server falls silent.
constexpr DWORD kStepTimeoutMs = 60000;
const char kDownloadName[] = "tolupdate";
const char kRequestHeaders[] = "Content-Type: application/x-www-form-urlencoded;charset=UTF-8";

class CInternetHandle {
public:
    CInternetHandle() = default;
    ~CInternetHandle()
    {
        if (m_handle)
            InternetCloseHandle(m_handle);
    }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;
    CInternetHandle& operator=(HINTERNET handle)
    {
        m_handle = handle;
        return *this;
    }
    operator HINTERNET() const { return m_handle; }
    bool operator!() const { return m_handle == nullptr; }

private:
    HINTERNET m_handle = nullptr;
};

// The parts of the download address.
struct AddressParts {
    std::vector<char> host;
    std::vector<char> path;
    INTERNET_PORT port = 0;
};

bool CrackAddress(const char* address, AddressParts& parts)
{
    size_t size = lstrlenA(address) + 1;
    parts.host.assign(size, '\0');
    parts.path.assign(size, '\0');
    URL_COMPONENTSA components = {};
    components.dwStructSize = sizeof(components);
    components.lpszHostName = parts.host.data();
    components.dwHostNameLength = static_cast<DWORD>(size);
    components.lpszUrlPath = parts.path.data();
    components.dwUrlPathLength = static_cast<DWORD>(size);
    if (!InternetCrackUrlA(address, 0, ICU_DECODE, &components))
        return false;
    parts.port = components.nPort;
    return true;
}

// Sends the GET; a certificate of an unknown authority is accepted by relaxing the request's
// security flags, once they are relaxed an error stays an error.
bool SendRequest(HINTERNET request)
{
    for (;;) {
        if (HttpSendRequestA(request, kRequestHeaders, static_cast<DWORD>(-1), nullptr, 0))
            return true;
        if (GetLastError() != ERROR_INTERNET_INVALID_CA)
            return false;
        DWORD flags = 0;
        DWORD size = sizeof(flags);
        InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
        if ((flags & kRelaxedSecurity) == kRelaxedSecurity) {
            SetLastError(ERROR_INTERNET_INVALID_CA);
            return false;
        }
        flags |= kRelaxedSecurity;
        if (!InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof(flags)))
            return false;
    }
}

// The whole body, within the limits counted from `start`. A read that fails, a body shorter
// than the length the server announced (a connection cut off) or one past a limit is a
// failure with the error code set.
bool ReadBody(HINTERNET request, const DownloadLimits& limits, ULONGLONG start,
              std::vector<char>& body)
{
    body.clear();
    DWORD announced = 0;
    DWORD size = sizeof(announced);
    bool hasLength = HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                    &announced, &size, nullptr) != FALSE;
    if (DWORD error = DownloadLimitError(hasLength ? announced : 0, 0, limits)) {
        SetLastError(error);
        return false;
    }
    body.reserve(kFirstBufferSize);
    char chunk[kReadChunk];
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request, chunk, sizeof(chunk), &read))
            return false;
        if (DWORD error =
                DownloadLimitError(body.size() + read, GetTickCount64() - start, limits)) {
            SetLastError(error);
            return false;
        }
        if (read == 0)
            break;
        body.insert(body.end(), chunk, chunk + read);
    }
    if (hasLength && announced != body.size()) {
        SetLastError(ERROR_INTERNET_CONNECTION_ABORTED);
        return false;
    }
    return true;
}

void LimitStepTimes(HINTERNET internet)
{
    DWORD timeout = kStepTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(internet, option, &timeout, sizeof(timeout));
}

// Writes the body to "tolupdate" + the address's extension in the temporary folder.
bool WriteDownload(const char* address, const std::vector<char>& body, std::string* path)
{
    std::string extension;
    if (!PathExtension(address, &extension)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    char temp[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length > MAX_PATH)
        return false;
    *path = std::string(temp) + kDownloadName + extension;
    DeleteDirectoryTree(*path);
    HANDLE file = CreateFileA(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, body.data(), static_cast<DWORD>(body.size()), &written, nullptr) &&
              written == body.size();
    DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return ok;
}

void TraceFailure(DWORD error)
{
    wchar_t* text = FormatErrorText(error, GetModuleHandleW(L"wininet.dll"));
    char* narrow = WideToMultiByteAlloc(text, CP_UTF8);
    WriteTraceLogFormat("(Upgrade) Download failed. %s", narrow ? narrow : "");
    FreeHeapBlock(narrow);
    FreeHeapBlock(text);
}

// Fetches the address into the temporary folder; true when the file was written (its path
// in `path`). Every outcome is traced.
bool DownloadUpgrade(const char* address, const char* proxy, const DownloadLimits& limits,
                     std::string* path)
{
    const ULONGLONG start = GetTickCount64();
    AddressParts parts;
    CInternetHandle internet;
    CInternetHandle connection;
    CInternetHandle request;
    bool useProxy = proxy && *proxy;
    if (!CrackAddress(address, parts) ||
        !(internet = InternetOpenA(
              TOL_USER_AGENT, useProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
              useProxy ? proxy : nullptr, nullptr, kOpenFlags))) {
        TraceFailure(GetLastError());
        return false;
    }
    LimitStepTimes(internet);
    if (!(connection = InternetConnectA(internet, parts.host.data(), parts.port, "", "",
                                        INTERNET_SERVICE_HTTP, kConnectFlags, 0))) {
        TraceFailure(GetLastError());
        return false;
    }
    const char* accept[] = {"text/xml", nullptr};
    if (!(request = HttpOpenRequestA(connection, "GET", parts.path.data(), nullptr, nullptr, accept,
                                     kRequestFlags, 0)) ||
        !SendRequest(request)) {
        TraceFailure(GetLastError());
        return false;
    }
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr))
        return false;
    if (status != 200) {
        WriteTraceLogFormat("(Upgrade) Download Failed. Server Response code: %d",
                            static_cast<int>(status));
        return false;
    }
    std::vector<char> body;
    if (!ReadBody(request, limits, start, body)) {
        TraceFailure(GetLastError());
        return false;
    }
    WriteTraceLogFormat("(Upgrade) Downloaded %d bytes", static_cast<int>(body.size()));
    if (body.empty())
        return false;
    if (!WriteDownload(address, body, path)) {
        TraceFailure(GetLastError());
        return false;
    }
    return true;
}

}  // namespace

DWORD DownloadLimitError(size_t bytes, ULONGLONG elapsed, const DownloadLimits& limits)
{
    if (bytes > limits.maxBytes)
        return ERROR_FILE_TOO_LARGE;
    if (elapsed > limits.maxMilliseconds)
        return ERROR_INTERNET_TIMEOUT;
    return 0;
}

DWORD WINAPI CMainWorker::UpgradeDownloadThread(void* argument)
{
    static_cast<CMainWorker*>(argument)->RunUpgradeDownload();
    return 0;
}

void CMainWorker::RunUpgradeDownload()
{
    char* address = nullptr;
    char* version = nullptr;
    if (!CopyUpgradeSource(&address, &version)) {
        ClearUpgradeBusy();
        return;
    }
    char* proxy = CopyProxy();
    bool handedOver = false;
    try {
        WriteTraceLogFormat("(Upgrade) Downloading from '%s' (version:%s)", address, version);
        std::string path;
        if (DownloadUpgrade(address, proxy, m_downloadLimits, &path)) {
            // The shell's objects live in this thread's apartment.
            CComInit com(COINIT_APARTMENTTHREADED);
            handedOver = InstallUpgrade(path.c_str(), version);
        }
    } catch (const std::exception&) {
        // Out of memory on the way: this attempt is over, the agent is not.
        TraceFailure(ERROR_NOT_ENOUGH_MEMORY);
    }
    // After a hand-over the flag stays set: the Updater is about to replace this program.
    if (!handedOver)
        ClearUpgradeBusy();
    FreeHeapBlock(proxy);
    FreeHeapBlock(address);
    FreeHeapBlock(version);
}

bool CMainWorker::StartUpgradeDownload()
{
    // A download thread that ran before has cleared the flag: it is ending, if not gone.
    EndUpgradeThread();
    m_upgradeThread = m_startUpgradeThread(&CMainWorker::UpgradeDownloadThread, this);
    return m_upgradeThread != nullptr;
}

void CMainWorker::ClearUpgradeBusy()
{
    CScopedLock lock(m_upgradeLock);
    m_upgradeBusy = false;
}

bool CMainWorker::EndUpgradeThread(DWORD milliseconds)
{
    if (!m_upgradeThread)
        return true;
    if (WaitForSingleObject(m_upgradeThread, milliseconds) == WAIT_TIMEOUT)
        return false;
    CloseHandle(m_upgradeThread);
    m_upgradeThread = nullptr;
    return true;
}
