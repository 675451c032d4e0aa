// The sending thread's internet session: the first opening call and, while opening fails,
// the three fallback models with their status texts.
#include <winsock2.h>

#include "agent_texts.h"
#include "engine_fixture.h"

#include <cstdio>

namespace {

const char kUserAgentStart[] = "Mozilla/5.0 (compatible; Kelvra Quorin Agent; ";
constexpr DWORD kOpening = 0x80300;
constexpr DWORD kOpeningSecure = 0x880300;
constexpr DWORD kPreconfig = INTERNET_OPEN_TYPE_PRECONFIG;
constexpr DWORD kProxy = INTERNET_OPEN_TYPE_PROXY;
constexpr DWORD kDirect = INTERNET_OPEN_TYPE_DIRECT;

struct OpenCall {
    DWORD access;
    std::string proxy;  // "" for none
    DWORD flags;
    bool operator==(const OpenCall& other) const
    {
        return access == other.access && proxy == other.proxy && flags == other.flags;
    }
};

std::ostream& operator<<(std::ostream& out, const OpenCall& call)
{
    return out << "{access " << call.access << ", proxy '" << call.proxy << "', flags 0x"
               << std::hex << call.flags << std::dec << "}";
}

// The opener the engine uses in these tests: records each call and fails the first ones,
// then opens for real.
struct OpenerScript {
    size_t failures = 0;
    std::vector<OpenCall> calls;
    bool userAgentsRight = true;
};

OpenerScript& Script()
{
    static OpenerScript script;
    return script;
}

HINTERNET WINAPI ScriptedOpen(LPCSTR userAgent, DWORD access, LPCSTR proxy, LPCSTR bypass,
                              DWORD flags)
{
    OpenerScript& script = Script();
    script.calls.push_back({access, proxy ? proxy : "", flags});
    std::string agent = userAgent ? userAgent : "";
    script.userAgentsRight = script.userAgentsRight && bypass == nullptr &&
                             agent.rfind(kUserAgentStart, 0) == 0 && agent.back() == ')';
    if (script.calls.size() <= script.failures) {
        SetLastError(ERROR_INTERNET_INTERNAL_ERROR);
        return nullptr;
    }
    return InternetOpenA(userAgent, access, proxy, bypass, flags);
}

class COpenerEngine : public CTestEngine {
public:
    COpenerEngine() { m_openInternet = &ScriptedOpen; }
};

// A loopback port that refuses connections while this lives: bound, never listening.
class CRefusingPort {
public:
    CRefusingPort()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        if (bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~CRefusingPort()
    {
        closesocket(m_socket);
        WSACleanup();
    }
    CRefusingPort(const CRefusingPort&) = delete;
    CRefusingPort& operator=(const CRefusingPort&) = delete;
    unsigned short Port() const { return m_port; }

private:
    SOCKET m_socket;
    unsigned short m_port = 0;
};

std::wstring ModelText(int model)
{
    wchar_t text[128];
    std::swprintf(text, 128, TOL_TEXT_SEND_TRYING_MODEL, model);
    return text;
}

class InternetOpenTest : public EngineTest {
protected:
    static void SetText(const wchar_t* name, const std::wstring& value)
    {
        SetRaw(TOL_REG_SETTINGS_KEY, name, REG_SZ, value.c_str(),
               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
};

TEST_F(InternetOpenTest, FallbackModelsWhileOpeningFails)
{
    CRefusingPort refusing;
    ASSERT_NE(refusing.Port(), 0);
    const std::string proxy = "127.0.0.1:" + std::to_string(refusing.Port());
    const std::wstring wideProxy(proxy.begin(), proxy.end());
    const std::wstring where = L"127.0.0.1:" + std::to_wstring(refusing.Port()) + L"/gw";
    struct Case {
        const wchar_t* scheme;
        bool withProxy;
        size_t failures;
        std::vector<OpenCall> calls;
    } cases[] = {
        {L"https://",
         false,
         4,
         {{kPreconfig, "", kOpeningSecure},
          {kPreconfig, "", kOpeningSecure},
          {kPreconfig, "", 0},
          {kDirect, "", 0}}},
        {L"http://",
         true,
         4,
         {{kProxy, proxy, kOpening},
          {kPreconfig, "", kOpening},
          {kPreconfig, "", 0},
          {kDirect, "", 0}}},
        {L"https://", true, 1, {{kProxy, proxy, kOpeningSecure}, {kPreconfig, "", kOpeningSecure}}},
        {L"http://",
         false,
         3,
         {{kPreconfig, "", kOpening},
          {kPreconfig, "", kOpening},
          {kPreconfig, "", 0},
          {kDirect, "", 0}}},
        {L"https://", true, 0, {{kProxy, proxy, kOpeningSecure}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scheme " << c.scheme << ", proxy " << c.withProxy
                                        << ", failures " << c.failures);
        SetText(L"Host", c.scheme + where);
        SetText(L"Proxy", c.withProxy ? wideProxy : L"");
        Script() = OpenerScript();
        Script().failures = c.failures;
        CRecordingReceiver receiver;
        {
            COpenerEngine engine;
            engine.AddAgentObject(&receiver);
            engine.ExchangeWithTimeout();
            engine.RemoveAgentObject(&receiver);
        }
        EXPECT_EQ(Script().calls, c.calls);
        EXPECT_TRUE(Script().userAgentsRight);

        std::vector<std::wstring> models;
        for (int model = 1; model < static_cast<int>(c.calls.size()); ++model)
            models.push_back(ModelText(model));
        EXPECT_EQ(receiver.TextsOf(STATUS_MESSAGE), models);
        std::vector<std::wstring> failures = receiver.TextsOf(STATUS_SEND_FAILED);
        ASSERT_FALSE(failures.empty());
        if (c.failures == 4) {
            wchar_t* error =
                FormatErrorText(ERROR_INTERNET_INTERNAL_ERROR, GetModuleHandleW(L"wininet.dll"));
            EXPECT_EQ(failures, (std::vector<std::wstring>{TOL_TEXT_SEND_INIT_FAILED, error}));
            FreeHeapBlock(error);
        } else {
            // Opened: the exchange went on to the refusing port.
            EXPECT_EQ(failures.front(), TOL_TEXT_SEND_REQUEST_FAILED);
        }
    }
}

}  // namespace
