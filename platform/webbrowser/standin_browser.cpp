#include "standin_browser.h"

#include <exdispid.h>
#include <mshtmhst.h>
#include <windowsx.h>

#include <cwchar>
#include <string>
#include <vector>

#include "com_module.h"
#include "html_element_events.h"
#include "standin_log.h"

namespace {

const wchar_t kWindowClass[] = L"TolBrowserStandIn";
const UINT kLoadMessage = WM_APP + 1;
const UINT kCommandMessage = WM_APP + 2;
const int kTitleHeight = 24;
const int kBoxHeight = 20;
const int kBoxGap = 4;

std::wstring UrlOf(const VARIANT* url)
{
    while (url && V_VT(url) == (VT_BYREF | VT_VARIANT))
        url = V_VARIANTREF(url);
    return url && V_VT(url) == VT_BSTR && V_BSTR(url) ? V_BSTR(url) : L"";
}

// The file a URL names: a plain path, or a file: URL.
std::wstring FileOf(std::wstring url)
{
    const std::wstring scheme = L"file:///";
    if (_wcsnicmp(url.c_str(), scheme.c_str(), scheme.size()) == 0) {
        url.erase(0, scheme.size());
        for (wchar_t& c : url)
            c = c == L'/' ? L'\\' : c;
    }
    return url;
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char buffer[4096];
    DWORD read = 0;
    bool ok = true;
    bytes->clear();
    while ((ok = ReadFile(file, buffer, sizeof(buffer), &read, nullptr) != FALSE) && read > 0)
        bytes->append(buffer, read);
    CloseHandle(file);
    return ok;
}

void RegisterWindowClass(WNDPROC proc)
{
    HINSTANCE instance = GetComModule() ? GetComModule()->GetModuleInstance() : nullptr;
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, kWindowClass, &existing))
        return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);
}

}  // namespace

CStandInBrowser::CStandInBrowser() : m_events(DIID_DWebBrowserEvents2)
{
    RegisterConnectionPoint(&m_events);
}

void CStandInBrowser::FinalRelease()
{
    InPlaceDeactivate();
    ReleaseDocument();
    m_site.Release();
    m_events.UnadviseAll();
}

STDMETHODIMP CStandInBrowser::Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*)
{
    m_url = UrlOf(url);
    StandInLog(L"navigate %ls", m_url.c_str());
    if (m_window)
        PostMessageW(m_window, kLoadMessage, 0, 0);
    else
        m_navigationPending = true;
    return S_OK;
}

STDMETHODIMP CStandInBrowser::get_Document(IDispatch** document)
{
    if (!document)
        return E_POINTER;
    *document = m_document ? static_cast<CNamedDispatch*>(m_document) : nullptr;
    if (*document)
        (*document)->AddRef();
    return S_OK;
}

STDMETHODIMP CStandInBrowser::get_ReadyState(READYSTATE* state)
{
    if (!state)
        return E_POINTER;
    *state = m_document ? READYSTATE_COMPLETE : READYSTATE_LOADING;
    return S_OK;
}

STDMETHODIMP CStandInBrowser::put_Silent(VARIANT_BOOL silent)
{
    StandInLog(L"silent %d", silent ? 1 : 0);
    return S_OK;
}

STDMETHODIMP CStandInBrowser::put_RegisterAsDropTarget(VARIANT_BOOL target)
{
    StandInLog(L"drop target %d", target ? 1 : 0);
    return S_OK;
}

STDMETHODIMP CStandInBrowser::SetClientSite(IOleClientSite* site)
{
    m_site = site;
    return S_OK;
}

STDMETHODIMP CStandInBrowser::GetClientSite(IOleClientSite** site)
{
    return m_site.CopyTo(site);
}

STDMETHODIMP CStandInBrowser::Close(DWORD)
{
    InPlaceDeactivate();
    ReleaseDocument();
    StandInLog(L"close");
    return S_OK;
}

STDMETHODIMP CStandInBrowser::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                     LPCRECT position)
{
    if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW && verb != OLEIVERB_UIACTIVATE)
        return E_NOTIMPL;
    if (m_window)
        return S_OK;
    if (site && !m_site)
        m_site = site;
    if (!m_site || FAILED(m_site.QueryTo(IID_IOleInPlaceSite, &m_inPlaceSite)))
        return E_UNEXPECTED;
    if (m_inPlaceSite->CanInPlaceActivate() != S_OK)
        return E_FAIL;
    m_inPlaceSite->OnInPlaceActivate();
    CComPtr<IOleInPlaceFrame> frame;
    CComPtr<IOleInPlaceUIWindow> uiWindow;
    RECT box = position ? *position : RECT{};
    RECT clip = box;
    OLEINPLACEFRAMEINFO info = {};
    info.cb = sizeof(info);
    if (SUCCEEDED(m_inPlaceSite->GetWindowContext(&frame, &uiWindow, &box, &clip, &info)) &&
        position)
        box = *position;
    RegisterWindowClass(&CStandInBrowser::WindowProc);
    m_window = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                               box.left, box.top, box.right - box.left, box.bottom - box.top,
                               parent, nullptr, GetComModule()->GetModuleInstance(), this);
    if (!m_window)
        return HRESULT_FROM_WIN32(GetLastError());
    if (frame)
        frame->SetActiveObject(this, nullptr);
    if (uiWindow)
        uiWindow->SetActiveObject(this, nullptr);
    m_inPlaceSite->OnUIActivate();
    StandInLog(L"activate");
    if (m_navigationPending) {
        m_navigationPending = false;
        PostMessageW(m_window, kLoadMessage, 0, 0);
    }
    return S_OK;
}

STDMETHODIMP CStandInBrowser::GetUserClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_WebBrowser;
    return S_OK;
}

STDMETHODIMP CStandInBrowser::GetMiscStatus(DWORD, DWORD* status)
{
    if (!status)
        return E_POINTER;
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
              OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
    return S_OK;
}

STDMETHODIMP CStandInBrowser::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = m_window;
    return m_window ? S_OK : E_FAIL;
}

STDMETHODIMP CStandInBrowser::InPlaceDeactivate()
{
    if (!m_window)
        return S_OK;
    HWND window = m_window;
    m_window = nullptr;
    DestroyWindow(window);
    if (m_inPlaceSite) {
        m_inPlaceSite->OnInPlaceDeactivate();
        m_inPlaceSite.Release();
    }
    StandInLog(L"deactivate");
    return S_OK;
}

STDMETHODIMP CStandInBrowser::SetObjectRects(LPCRECT position, LPCRECT)
{
    if (m_window && position)
        MoveWindow(m_window, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    return S_OK;
}

STDMETHODIMP CStandInBrowser::TranslateAccelerator(LPMSG msg)
{
    if (msg && msg->message == WM_KEYDOWN)
        StandInLog(L"key %u", static_cast<unsigned>(msg->wParam));
    return S_FALSE;
}

void CStandInBrowser::ReleaseDocument()
{
    if (m_document) {
        m_document->Release();
        m_document = nullptr;
    }
}

void CStandInBrowser::Load()
{
    std::string bytes;
    if (!ReadWholeFile(FileOf(m_url), &bytes)) {
        StandInLog(L"navigate failed %lu", static_cast<unsigned long>(GetLastError()));
        return;
    }
    CComObject<CPageDocument>* document = nullptr;
    if (FAILED(CPageDocument::Create(ScanPage(bytes), &document)))
        return;
    ReleaseDocument();
    m_document = document;
    ++m_loads;
    if (m_window)
        InvalidateRect(m_window, nullptr, TRUE);
    StandInLog(L"document %d %ls elements=%u", m_loads, m_url.c_str(),
               static_cast<unsigned>(m_document->Elements().size()));
    FireBrowserEvent(DISPID_NAVIGATECOMPLETE2);
    FireBrowserEvent(DISPID_DOCUMENTCOMPLETE);
}

void CStandInBrowser::FireBrowserEvent(DISPID id)
{
    CComPtr<IWebBrowser2> self(this);  // a handler may let go of the control
    VARIANT url;
    V_VT(&url) = VT_BSTR;
    V_BSTR(&url) = SysAllocString(m_url.c_str());
    VARIANT args[2];
    V_VT(&args[0]) = VT_DISPATCH;
    V_DISPATCH(&args[0]) = static_cast<IWebBrowser2*>(this);
    V_VT(&args[1]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&args[1]) = &url;
    m_events.FireDispatch(id, args, 2);
    VariantClear(&url);
}

LRESULT CALLBACK CStandInBrowser::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* browser = reinterpret_cast<CStandInBrowser*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!browser || browser->m_window != hwnd)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return browser->OnMessage(message, wParam, lParam);
}

LRESULT CStandInBrowser::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_LBUTTONDOWN:
        m_pressed = ElementAt(point);
        if (m_pressed >= 0) {
            CComObject<CPageElement>* element = m_document->Elements()[m_pressed];
            StandInLog(L"input mousedown %ls", element->Data().id.c_str());
            element->Fire(DISPID_HTMLELEMENTEVENTS_ONMOUSEDOWN);
        }
        return 0;
    case WM_LBUTTONUP: {
        int index = ElementAt(point);
        if (index >= 0 && index == m_pressed) {
            CComObject<CPageElement>* element = m_document->Elements()[index];
            StandInLog(L"input click %ls", element->Data().id.c_str());
            element->Fire(DISPID_HTMLELEMENTEVENTS_ONCLICK);
        }
        m_pressed = -1;
        return 0;
    }
    case WM_RBUTTONUP: {
        int index = ElementAt(point);
        ClientToScreen(m_window, &point);
        ContextMenu(index, point);
        return 0;
    }
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case kLoadMessage:
        Load();
        return 0;
    case kCommandMessage: {
        auto* command = reinterpret_cast<std::wstring*>(lParam);
        RunCommand(*command);
        delete command;
        return 0;
    }
    default:
        return DefWindowProcW(m_window, message, wParam, lParam);
    }
}

LRESULT CStandInBrowser::OnCopyData(const COPYDATASTRUCT* data)
{
    if (!data || !data->lpData)
        return 0;
    std::wstring text(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    if (text == L"hosticon")
        return HostIconColour();
    const std::wstring locate = L"locate ";
    if (text.compare(0, locate.size(), locate) == 0) {
        CComObject<CPageElement>* element =
            m_document ? m_document->Find(text.substr(locate.size()).c_str()) : nullptr;
        if (!element)
            return 0;
        const auto& elements = m_document->Elements();
        for (size_t i = 0; i < elements.size(); ++i) {
            if (elements[i] == element) {
                RECT box = ElementBox(i);
                return MAKELONG((box.left + box.right) / 2, (box.top + box.bottom) / 2);
            }
        }
        return 0;
    }
    // Commands run later, so that a handler's modal loop does not hold up the sender.
    PostMessageW(m_window, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::wstring(text)));
    return 1;
}

void CStandInBrowser::RunCommand(const std::wstring& command)
{
    size_t blank = command.find(L' ');
    std::wstring verb = command.substr(0, blank);
    std::wstring id = blank == std::wstring::npos ? L"" : command.substr(blank + 1);
    if (verb == L"reload") {
        StandInLog(L"reload");
        Load();
        return;
    }
    CComObject<CPageElement>* element = m_document ? m_document->Find(id.c_str()) : nullptr;
    StandInLog(L"input %ls %ls%ls", verb.c_str(), id.c_str(),
               element ? L"" : L" (no such element)");
    if (!element)
        return;
    if (verb == L"click") {
        element->Fire(DISPID_HTMLELEMENTEVENTS_ONCLICK);
    } else if (verb == L"mousedown") {
        element->Fire(DISPID_HTMLELEMENTEVENTS_ONMOUSEDOWN);
    } else if (verb == L"contextmenu") {
        const auto& elements = m_document->Elements();
        for (size_t i = 0; i < elements.size(); ++i) {
            if (elements[i] != element)
                continue;
            RECT box = ElementBox(i);
            POINT point = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
            ClientToScreen(m_window, &point);
            ContextMenu(static_cast<int>(i), point);
            break;
        }
    }
}

// The host decides: S_OK from its UI handler means it took care of the menu (or wants none);
// anything else would let the control show its own, which the stand-in only records.
void CStandInBrowser::ContextMenu(int index, POINT point)
{
    CComPtr<IDocHostUIHandler> handler;
    HRESULT hr = E_NOINTERFACE;
    if (m_site && SUCCEEDED(m_site.QueryTo(IID_IDocHostUIHandler, &handler))) {
        IDispatch* element =
            index >= 0 ? static_cast<CNamedDispatch*>(m_document->Elements()[index]) : nullptr;
        hr = handler->ShowContextMenu(CONTEXT_MENU_DEFAULT, &point, nullptr, element);
    }
    StandInLog(L"contextmenu hr=0x%08lX%ls", static_cast<unsigned long>(hr),
               hr == S_OK ? L"" : L" shown by the browser");
}

RECT CStandInBrowser::ElementBox(size_t index) const
{
    RECT client = {};
    GetClientRect(m_window, &client);
    int top = kTitleHeight + kBoxGap + static_cast<int>(index) * (kBoxHeight + kBoxGap);
    return RECT{6, top, client.right - 6, top + kBoxHeight};
}

int CStandInBrowser::ElementAt(POINT point) const
{
    if (!m_document)
        return -1;
    for (size_t i = 0; i < m_document->Elements().size(); ++i) {
        RECT box = ElementBox(i);
        if (PtInRect(&box, point))
            return static_cast<int>(i);
    }
    return -1;
}

void CStandInBrowser::Paint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_window, &paint);
    RECT client = {};
    GetClientRect(m_window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT title = {0, 0, client.right, kTitleHeight};
    FillRect(dc, &title, GetSysColorBrush(COLOR_ACTIVECAPTION));
    SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
    std::wstring heading = m_document ? m_document->Title() : L"(no document)";
    title.left += 6;
    DrawTextW(dc, heading.c_str(), -1, &title, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    if (m_document) {
        const auto& elements = m_document->Elements();
        for (size_t i = 0; i < elements.size(); ++i) {
            RECT box = ElementBox(i);
            FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
            const PageElement& data = elements[i]->Data();
            std::wstring label = data.tag + L" #" + data.id + L"  " + data.text;
            box.left += 4;
            DrawTextW(dc, label.c_str(), -1, &box,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
    }
    EndPaint(m_window, &paint);
}

// The centre pixel of the host window's small icon, as 0x01RRGGBB; 0 when it has none. (Icon
// handles of another process cannot be read on every platform, so tests ask in-process.)
LRESULT CStandInBrowser::HostIconColour() const
{
    HWND host = GetAncestor(m_window, GA_ROOT);
    auto icon = reinterpret_cast<HICON>(SendMessageW(host, WM_GETICON, ICON_SMALL, 0));
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof(header.bmiHeader);
    header.bmiHeader.biWidth = bitmap.bmWidth;
    header.bmiHeader.biHeight = -bitmap.bmHeight;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &header, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    if (pixels.empty())
        return 0;
    DWORD centre =
        pixels[static_cast<size_t>(bitmap.bmHeight / 2) * bitmap.bmWidth + bitmap.bmWidth / 2];
    return static_cast<LRESULT>(0x01000000 | (centre & 0xFFFFFF));
}
