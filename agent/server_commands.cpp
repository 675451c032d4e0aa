// Reply lines and agent commands: the body of a good server reply, line by line, first to
// the plug-ins and then to the agent's own command table.
#include "main_worker.h"

#include "heap_helpers.h"
#include "reply_dispatch.h"
#include "trace_log.h"

#include <cstring>
#include <new>

namespace {

const char kUpgradeScheme[] = "https://";

unsigned Clamp(unsigned value, unsigned low, unsigned high)
{
    return value < low ? low : (value > high ? high : value);
}

}  // namespace

// The engine as the reply's lines see it.
class CEngineReplyTarget : public IReplyTarget {
public:
    explicit CEngineReplyTarget(CMainWorker& engine) : m_engine(engine) {}

    bool OfferLineToPlugIns(const char* line) override { return m_engine.OfferLineToPlugIns(line); }
    void EndSession() override { m_engine.EndSession(); }
    void SetPollPeriod(long seconds) override { m_engine.SetPollPeriod(seconds); }
    void SetCheckPeriodOnPlugIns(long seconds) override
    {
        m_engine.SetCheckPeriodOnPlugIns(seconds);
    }
    void RunUpgradeCommand(const char* version, const char* address, const char* fourth) override
    {
        m_engine.RunUpgradeCommand(version, address, fourth);
    }
    void SetMaxBufferSize(unsigned bytes) override { m_engine.SetMaxBufferSize(bytes); }
    void SetMaxBufferCount(unsigned count) override { m_engine.SetMaxBufferCount(count); }
    void ResetPlugIns() override { m_engine.ResetPlugIns(); }

private:
    CMainWorker& m_engine;
};

void CMainWorker::ParseServerReply(const char* body)
{
    if (!body || !*body)
        return;
    WriteTraceLogFormat("Received data:\r\n%s\r\n", body);
    CEngineReplyTarget target(*this);
    try {
        DispatchReplyBody(body, target);
    } catch (const std::bad_alloc&) {
        // The lines not yet read are lost; the sending thread goes on.
    }
}

void CMainWorker::DispatchServerCommand(char** fields, unsigned count)
{
    CEngineReplyTarget target(*this);
    DispatchCommandFields(fields, count, target);
}

void CMainWorker::RunUpgradeCommand(const char* version, const char* address, const char* fourth)
{
    WriteTraceLogFormat("(Upgrade) UPD command received: '%s' '%s' '%s'", version, address, fourth);
    if (!SetUpgradeSource(address, version))
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
