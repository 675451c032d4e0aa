// agent_client: a local client of the agent's automation object (or of the browser connector,
// which forwards to it), driven by a script on standard input, one command a line, fields
// separated by TAB:
//
//   create [ProgID]          creates the object for IDispatch: "Tolvane.QuorinAgent" (a local
//                            server) unless another ProgID is given
//   call <Method> [arg...]   calls a method by name; arguments: s:<text> (in which \r, \n,
//                            \t and \\ stand for CR, LF, TAB and a backslash), x:<n> (a text
//                            of n letters), i:<n> (long), b:<n> (VARIANT_BOOL), e (empty)
//   advise | unadvise        the sink on the object's default event interface, found as a
//                            script host finds it (IProvideClassInfo2)
//   reenter <Method> [arg...] the sink calls this method from inside its StatusChanged handler
//   wait <status> <ms>       waits for one more StatusChanged of that status
//   sleep <ms>
//   release                  unadvises the sink and lets go of the object
//   drop                     lets go of the object with the sink still advised (as a page
//                            that goes away); prints "drop done" once the object is gone
//   hang                     from now on the sink's handler never returns (a hung client)
//   quiet                    from now on events are counted, not printed
//   waitcount <status> <n> <ms>  waits until n StatusChanged of that status have come in all
//   repeat <n> <Method> [arg...] calls the method n times without printing each call
//
// Every result is one line on standard output (see client_output.h and status_sink.h); the
// exit code is 0 unless the script could not be read or a command was not understood.
#include <windows.h>
#include <ocidl.h>

#include <iostream>
#include <string>
#include <vector>

#include "client_output.h"
#include "com_init.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "script_fields.h"
#include "status_sink.h"

#include <TolvaneLib.h>

namespace {

std::wstring Unescape(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\\' && i + 1 < text.size()) {
            wchar_t next = text[++i];
            c = next == L'r' ? L'\r' : next == L'n' ? L'\n' : next == L't' ? L'\t' : next;
        }
        out += c;
    }
    return out;
}

bool ParseArgument(const std::wstring& text, CComVariant* value)
{
    std::wstring body = text.size() > 2 ? text.substr(2) : L"";
    if (text == L"e")
        return true;
    if (text.compare(0, 2, L"s:") == 0)
        return value->SetText(Unescape(body).c_str());
    if (text.compare(0, 2, L"x:") == 0)
        return value->SetText(std::wstring(std::stoul(body), L'x').c_str());
    if (text.compare(0, 2, L"i:") == 0) {
        value->SetI4(std::stol(body));
        return true;
    }
    if (text.compare(0, 2, L"b:") == 0) {
        V_VT(value) = VT_BOOL;
        V_BOOL(value) = static_cast<VARIANT_BOOL>(std::stol(body));
        return true;
    }
    return false;
}

class CClient {
public:
    CClient() = default;
    ~CClient()
    {
        Release();
        m_sink->Release();
    }
    CClient(const CClient&) = delete;
    CClient& operator=(const CClient&) = delete;
    bool Run(const std::vector<std::wstring>& fields);

private:
    void Create(const std::wstring& progId);
    bool Call(const std::vector<std::wstring>& fields);
    bool Reenter(const std::vector<std::wstring>& fields);
    bool Repeat(const std::vector<std::wstring>& fields);
    void WaitCount(const std::vector<std::wstring>& fields);
    void Advise(bool on);
    void Release();
    void Drop();

    CComPtr<IDispatch> m_agent;
    CStatusSink* m_sink = new CStatusSink();
    CComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
};

// The object's default source interface, as a script host asks for it; the agent's events
// when the object does not say.
IID DefaultEventInterface(IDispatch* object)
{
    CComPtr<IProvideClassInfo2> info;
    IID events = DIID__IQuorinAgentEvents;
    if (SUCCEEDED(object->QueryInterface(IID_IProvideClassInfo2, info.ReceiveVoid())) &&
        FAILED(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events)))
        events = DIID__IQuorinAgentEvents;
    return events;
}

bool CClient::Run(const std::vector<std::wstring>& fields)
{
    const std::wstring& name = fields[0];
    if (name == L"create" && fields.size() <= 2)
        Create(fields.size() == 2 ? fields[1] : L"Tolvane.QuorinAgent");
    else if (name == L"call" && fields.size() >= 2 && m_agent)
        return Call(fields);
    else if (name == L"advise" || name == L"unadvise")
        Advise(name == L"advise");
    else if (name == L"reenter" && fields.size() >= 2)
        return Reenter(fields);
    else if (name == L"wait" && fields.size() == 3)
        PrintLine(
            L"wait " + fields[1] +
            (m_sink->WaitFor(std::stol(fields[1]), std::stoul(fields[2])) ? L" ok" : L" timeout"));
    else if (name == L"sleep" && fields.size() == 2)
        Sleep(std::stoul(fields[1]));
    else if (name == L"hang")
        m_sink->Hang();
    else if (name == L"quiet")
        m_sink->Quiet();
    else if (name == L"waitcount" && fields.size() == 4)
        WaitCount(fields);
    else if (name == L"repeat" && fields.size() >= 3 && m_agent)
        return Repeat(fields);
    else if (name == L"release")
        Release();
    else if (name == L"drop")
        Drop();
    else
        return false;
    return true;
}

void CClient::Create(const std::wstring& progId)
{
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IDispatch, m_agent.ReceiveVoid());
    PrintLine(L"create hr=" + HexResult(hr));
}

// The arguments after the method name (fields 2 on); false when one is not understood.
bool ParseArguments(const std::vector<std::wstring>& fields, std::vector<CComVariant>* args)
{
    args->resize(fields.size() - 2);
    for (size_t i = 2; i < fields.size(); ++i) {
        if (!ParseArgument(fields[i], &(*args)[i - 2]))
            return false;
    }
    return true;
}

bool CClient::Call(const std::vector<std::wstring>& fields)
{
    std::vector<CComVariant> args;
    if (!ParseArguments(fields, &args))
        return false;
    CallAgent(m_agent, L"call", fields[1], args.data(), static_cast<UINT>(args.size()));
    return true;
}

bool CClient::Reenter(const std::vector<std::wstring>& fields)
{
    std::vector<CComVariant> args;
    if (!ParseArguments(fields, &args))
        return false;
    m_sink->SetReentry(m_agent, fields[1], args);
    return true;
}

bool CClient::Repeat(const std::vector<std::wstring>& fields)
{
    unsigned long times = std::stoul(fields[1]);
    std::vector<std::wstring> call(fields.begin() + 1, fields.end());  // as "call" has them
    std::vector<CComVariant> args;
    if (!ParseArguments(call, &args))
        return false;
    unsigned long failed = 0;
    for (unsigned long i = 0; i < times; ++i) {
        if (FAILED(CallAgentQuietly(m_agent, call[1], args.data(), static_cast<UINT>(args.size()))))
            ++failed;
    }
    PrintLine(L"repeat " + call[1] + L" n=" + std::to_wstring(times) + L" failed=" +
              std::to_wstring(failed));
    return true;
}

void CClient::WaitCount(const std::vector<std::wstring>& fields)
{
    long status = std::stol(fields[1]);
    int count = std::stoi(fields[2]);
    int seen = m_sink->WaitForCount(status, count, std::stoul(fields[3]));
    PrintLine(L"waitcount " + fields[1] + (seen >= count ? L" ok " : L" timeout ") +
              std::to_wstring(seen));
}

void CClient::Advise(bool on)
{
    HRESULT hr = E_UNEXPECTED;
    if (on && m_agent && !m_point) {
        IID events = DefaultEventInterface(m_agent);
        m_sink->SetEventInterface(events);
        CComPtr<IConnectionPointContainer> container;
        hr = m_agent->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid());
        if (SUCCEEDED(hr))
            hr = container->FindConnectionPoint(events, &m_point);
        if (SUCCEEDED(hr))
            hr = m_point->Advise(m_sink, &m_cookie);
        if (FAILED(hr))
            m_point = nullptr;
    } else if (!on && m_point) {
        hr = m_point->Unadvise(m_cookie);
        m_point = nullptr;
    }
    PrintLine((on ? L"advise hr=" : L"unadvise hr=") + HexResult(hr));
}

// Lets go of the object without unadvising: the object drops the sink when it goes.
void CClient::Drop()
{
    m_point = nullptr;
    m_sink->SetReentry(nullptr, L"");
    m_agent = nullptr;
    PrintLine(L"drop done");
}

void CClient::Release()
{
    if (m_point)
        m_point->Unadvise(m_cookie);
    m_point = nullptr;
    m_sink->SetReentry(nullptr, L"");
    m_agent = nullptr;
}

std::wstring Widen(const std::string& line)
{
    int chars =
        MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    std::wstring wide(chars > 0 ? chars : 0, L'\0');
    if (chars > 0)
        MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &wide[0],
                            chars);
    if (!wide.empty() && wide.back() == L'\r')
        wide.pop_back();
    return wide;
}

}  // namespace

int wmain()
{
    CComInit com(COINIT_MULTITHREADED);
    if (!com.Succeeded())
        return 2;
    int rc = 0;
    {
        CClient client;
        std::string line;
        while (std::getline(std::cin, line)) {
            std::wstring wide = Widen(line);
            if (wide.empty() || wide[0] == L'#')
                continue;
            try {
                if (!client.Run(SplitFields(wide))) {
                    PrintLine(L"unknown " + wide);
                    rc = 1;
                }
            } catch (const std::exception&) {
                PrintLine(L"unknown " + wide);
                rc = 1;
            }
        }
    }
    return rc;
}
