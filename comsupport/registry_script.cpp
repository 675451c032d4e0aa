#include "registry_script.h"

#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace {

enum class Kind { Key, Fresh, Keep, Value };

struct Statement {
    Kind kind;
    HKEY root;
    std::wstring path;
    bool hasData = false;
    std::wstring valueName;
    DWORD type = REG_SZ;
    std::wstring text;
    DWORD number = 0;
};

struct Token {
    std::wstring text;
    bool quoted;
};

bool Tokenize(const std::wstring& line, std::vector<Token>* tokens)
{
    size_t i = 0;
    while (i < line.size()) {
        if (iswspace(line[i])) {
            ++i;
            continue;
        }
        Token t{L"", false};
        if (line[i] == L'"') {
            t.quoted = true;
            ++i;
            for (;;) {
                if (i >= line.size())
                    return false;  // unterminated quote
                if (line[i] == L'"') {
                    if (i + 1 < line.size() && line[i + 1] == L'"') {
                        t.text += L'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                t.text += line[i++];
            }
        } else {
            while (i < line.size() && !iswspace(line[i]) && line[i] != L'"')
                t.text += line[i++];
        }
        tokens->push_back(t);
    }
    return true;
}

bool Substitute(const std::wstring& in, const CRegistryReplacement* replacements, size_t count,
                std::wstring* out)
{
    out->clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != L'%') {
            *out += in[i];
            continue;
        }
        size_t end = in.find(L'%', i + 1);
        if (end == std::wstring::npos)
            return false;
        std::wstring name = in.substr(i + 1, end - i - 1);
        if (name.empty()) {
            *out += L'%';
        } else {
            const CRegistryReplacement* found = nullptr;
            for (size_t r = 0; r < count && !found; ++r) {
                if (replacements[r].name && _wcsicmp(replacements[r].name, name.c_str()) == 0)
                    found = &replacements[r];
            }
            if (!found)
                return false;
            *out += found->value ? found->value : L"";
        }
        i = end;
    }
    return true;
}

bool SplitRoot(const std::wstring& full, bool perUser, HKEY* root, std::wstring* path)
{
    size_t slash = full.find(L'\\');
    std::wstring head = full.substr(0, slash);
    std::wstring rest = slash == std::wstring::npos ? L"" : full.substr(slash + 1);
    if (rest.empty())
        return false;  // a script never writes a root's own values
    if (_wcsicmp(head.c_str(), L"HKCR") == 0) {
        *root = perUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
        *path = perUser ? L"Software\\Classes\\" + rest : rest;
    } else if (_wcsicmp(head.c_str(), L"HKLM") == 0) {
        *root = HKEY_LOCAL_MACHINE;
        *path = rest;
    } else if (_wcsicmp(head.c_str(), L"HKCU") == 0) {
        *root = HKEY_CURRENT_USER;
        *path = rest;
    } else if (_wcsicmp(head.c_str(), L"HKU") == 0) {
        *root = HKEY_USERS;
        *path = rest;
    } else {
        return false;
    }
    return true;
}

bool ParseData(const std::vector<Token>& t, size_t at, Statement* s)
{
    if (at == t.size())
        return true;
    if (at + 2 != t.size() || t[at].quoted || t[at].text != L"=")
        return false;
    const Token& data = t[at + 1];
    s->hasData = true;
    if (data.quoted) {
        s->type = REG_SZ;
        s->text = data.text;
        return true;
    }
    if (_wcsnicmp(data.text.c_str(), L"dword:", 6) != 0 || data.text.size() == 6)
        return false;
    const wchar_t* digits = data.text.c_str() + 6;
    wchar_t* end = nullptr;
    unsigned long long n = wcstoull(digits, &end, 0);
    if (!end || *end || n > 0xFFFFFFFFull || *digits == L'-')
        return false;
    s->type = REG_DWORD;
    s->number = static_cast<DWORD>(n);
    return true;
}

bool ParseLine(const std::wstring& line, const CRegistryReplacement* replacements, size_t count,
               bool perUser, std::vector<Statement>* out)
{
    std::vector<Token> raw;
    if (!Tokenize(line, &raw))
        return false;
    if (raw.empty() || (!raw[0].quoted && !raw[0].text.empty() && raw[0].text[0] == L'#'))
        return true;
    std::vector<Token> t;
    for (const Token& r : raw) {
        Token s{L"", r.quoted};
        if (!Substitute(r.text, replacements, count, &s.text))
            return false;
        t.push_back(s);
    }
    Statement s{};
    const std::wstring& verb = t[0].text;
    if (t[0].quoted || t.size() < 2)
        return false;
    if (verb == L"key")
        s.kind = Kind::Key;
    else if (verb == L"fresh")
        s.kind = Kind::Fresh;
    else if (verb == L"keep")
        s.kind = Kind::Keep;
    else if (verb == L"value")
        s.kind = Kind::Value;
    else
        return false;
    if (!SplitRoot(t[1].text, perUser, &s.root, &s.path))
        return false;
    size_t at = 2;
    if (s.kind == Kind::Value) {
        if (t.size() != 5)
            return false;
        s.valueName = t[2].text;
        at = 3;
    }
    if (!ParseData(t, at, &s))
        return false;
    out->push_back(s);
    return true;
}

bool Parse(const wchar_t* script, const CRegistryReplacement* replacements, size_t count,
           bool perUser, std::vector<Statement>* out)
{
    if (!script)
        return false;
    const wchar_t* p = script;
    if (*p == 0xFEFF)
        ++p;
    while (*p) {
        const wchar_t* end = p;
        while (*end && *end != L'\n')
            ++end;
        std::wstring line(p, end);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (!ParseLine(line, replacements, count, perUser, out))
            return false;
        p = *end ? end + 1 : end;
    }
    return true;
}

LONG SetData(HKEY key, const wchar_t* name, const Statement& s)
{
    if (s.type == REG_DWORD)
        return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&s.number),
                              sizeof(DWORD));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(s.text.c_str()),
                          static_cast<DWORD>((s.text.size() + 1) * sizeof(wchar_t)));
}

LONG DeleteTree(HKEY root, const std::wstring& path)
{
    LONG rc = RegDeleteTreeW(root, path.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG Apply(const Statement& s)
{
    if (s.kind == Kind::Fresh) {
        LONG rc = DeleteTree(s.root, s.path);
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(s.root, s.path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                              &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (s.hasData)
        rc = SetData(key, s.kind == Kind::Value ? s.valueName.c_str() : nullptr, s);
    RegCloseKey(key);
    return rc;
}

LONG Undo(const Statement& s)
{
    switch (s.kind) {
    case Kind::Key:
    case Kind::Fresh:
        return DeleteTree(s.root, s.path);
    case Kind::Keep:
        return ERROR_SUCCESS;
    case Kind::Value: {
        HKEY key = nullptr;
        LONG rc = RegOpenKeyExW(s.root, s.path.c_str(), 0, KEY_SET_VALUE, &key);
        if (rc == ERROR_FILE_NOT_FOUND)
            return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS)
            return rc;
        rc = RegDeleteValueW(key, s.valueName.c_str());
        RegCloseKey(key);
        return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
    }
    }
    return ERROR_SUCCESS;
}

}  // namespace

HRESULT ParseRegistryScript(const wchar_t* script, const CRegistryReplacement* replacements,
                            size_t count)
{
    std::vector<Statement> statements;
    return Parse(script, replacements, count, false, &statements) ? S_OK : E_INVALIDARG;
}

HRESULT RunRegistryScript(const wchar_t* script, const CRegistryReplacement* replacements,
                          size_t count, bool doRegister, bool perUser)
{
    std::vector<Statement> statements;
    if (!Parse(script, replacements, count, perUser, &statements))
        return E_INVALIDARG;
    if (doRegister) {
        for (const Statement& s : statements) {
            LONG rc = Apply(s);
            if (rc != ERROR_SUCCESS)
                return HRESULT_FROM_WIN32(rc);
        }
        return S_OK;
    }
    LONG first = ERROR_SUCCESS;
    for (auto it = statements.rbegin(); it != statements.rend(); ++it) {
        LONG rc = Undo(*it);
        if (rc != ERROR_SUCCESS && first == ERROR_SUCCESS)
            first = rc;
    }
    return HRESULT_FROM_WIN32(first);
}

HRESULT RunRegistryScriptResource(HMODULE module, UINT id, const CRegistryReplacement* replacements,
                                  size_t count, bool doRegister, bool perUser)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    if (!found)
        return HRESULT_FROM_WIN32(GetLastError());
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes)
        return HRESULT_FROM_WIN32(GetLastError());
    if (size >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB &&
        static_cast<unsigned char>(bytes[2]) == 0xBF) {
        bytes += 3;
        size -= 3;
    }
    std::wstring text;
    if (size) {
        int chars = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), nullptr, 0);
        if (chars <= 0)
            return E_INVALIDARG;
        text.resize(static_cast<size_t>(chars));
        MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), &text[0], chars);
    }
    // A resource may carry padding NULs after the text.
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        text.resize(nul);
    return RunRegistryScript(text.c_str(), replacements, count, doRegister, perUser);
}
