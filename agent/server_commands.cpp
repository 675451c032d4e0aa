// Reply lines and agent commands: the body of a good server reply, line by line, first to
// the plug-ins and then to the agent's own command table.
#include "main_worker.h"

#include "heap_helpers.h"
#include "trace_log.h"

#include <cstdlib>
#include <cstring>

namespace {

const char kSessionEnded[] = "111111";
const char kUpgradeScheme[] = "https://";

long SignedField(const char* text)
{
    return std::strtol(text, nullptr, 10);
}

unsigned UnsignedField(const char* text)
{
    unsigned long value = std::strtoul(text, nullptr, 10);
    return value > 0xFFFFFFFFul ? 0xFFFFFFFFu : static_cast<unsigned>(value);
}

unsigned Clamp(unsigned value, unsigned low, unsigned high)
{
    return value < low ? low : (value > high ? high : value);
}

// The CR of a CR LF reply belongs to no field of a command.
void DropTrailingCarriageReturn(char* line)
{
    size_t length = std::strlen(line);
    if (length && line[length - 1] == '\r')
        line[length - 1] = '\0';
}

bool Is(const char* code, const char* field)
{
    return std::strcmp(field, code) == 0;
}

}  // namespace

void CMainWorker::ParseServerReply(const char* body)
{
    if (!body || !*body)
        return;
    WriteTraceLogFormat("Received data:\r\n%s\r\n", body);
    if (Is(kSessionEnded, body)) {
        EndSession();
        return;
    }
    char** lines = nullptr;
    unsigned count = 0;
    if (!SplitText(body, &lines, &count, '\n'))
        return;
    for (unsigned i = 0; i < count; ++i) {
        if (!OfferLineToPlugIns(lines[i]))
            DispatchLine(lines[i]);
    }
    FreeTextArray(&lines, &count);
}

void CMainWorker::EndSession()
{
    FreeHeapBlock(m_sessionId);
    m_sessionId = nullptr;
    m_authorized.store(false);
}

void CMainWorker::DispatchLine(char* line)
{
    DropTrailingCarriageReturn(line);
    char** fields = nullptr;
    unsigned count = 0;
    if (!SplitText(line, &fields, &count, '\t'))
        return;
    if (count > 0)
        DispatchServerCommand(fields, count);
    FreeTextArray(&fields, &count);
}

void CMainWorker::DispatchServerCommand(char** fields, unsigned count)
{
    if (!fields || !count || !fields[0])
        return;
    const char* code = fields[0];
    if (Is("POL", code) && count >= 3) {
        long period = SignedField(fields[2]);
        SetPollPeriod(period > 0 ? period : 0);  // 0 or less: no period set
    } else if (Is("CHK", code) && count >= 3) {
        SetCheckPeriodOnPlugIns(SignedField(fields[2]));
    } else if (Is("UPD", code) && count >= 3) {
        RunUpgradeCommand(fields, count);
    } else if (Is("BFS", code) && count >= 2) {
        SetMaxBufferSize(UnsignedField(fields[1]));
    } else if (Is("BFC", code) && count >= 2) {
        SetMaxBufferCount(UnsignedField(fields[1]));
    } else if (Is("RPL", code)) {
        ResetPlugIns();
    }
}

void CMainWorker::RunUpgradeCommand(char** fields, unsigned count)
{
    WriteTraceLogFormat("(Upgrade) UPD command received: '%s' '%s' '%s'", fields[1], fields[2],
                        count > 3 ? fields[3] : "");
    if (!SetUpgradeSource(fields[2], fields[1]))
        return;
    {
        CScopedLock lock(m_upgradeLock);
        if (m_upgradeBusy)
            return;
        m_upgradeBusy = true;
    }
    if (!StartUpgradeDownload())
        ClearUpgradeBusy();
}

bool CMainWorker::SetUpgradeSource(const char* address, const char* version)
{
    if (!address || !version)
        return false;
    size_t schemeLength = std::strlen(kUpgradeScheme);
    size_t addressLength = std::strlen(address);
    auto* fullAddress = static_cast<char*>(HeapAllocZero(schemeLength + addressLength + 1));
    char* versionCopy = DupText(version);
    if (!fullAddress || !versionCopy) {
        FreeHeapBlock(fullAddress);
        FreeHeapBlock(versionCopy);
        return false;
    }
    std::memcpy(fullAddress, kUpgradeScheme, schemeLength);
    std::memcpy(fullAddress + schemeLength, address, addressLength);
    CScopedLock lock(m_upgradeLock);
    FreeHeapBlock(m_upgradeAddress);
    FreeHeapBlock(m_upgradeVersion);
    m_upgradeAddress = fullAddress;
    m_upgradeVersion = versionCopy;
    return true;
}

void CMainWorker::SetMaxBufferSize(unsigned bytes)
{
    CScopedLock lock(m_bufferSizeLock);
    m_maxBufferSize = Clamp(bytes, kMinBufferSize, kMaxBufferSize);
}

void CMainWorker::SetMaxBufferCount(unsigned count)
{
    CScopedLock lock(m_bufferCountLock);
    m_maxBufferCount = Clamp(count, kMinBufferCount, kMaxBufferCount);
}
