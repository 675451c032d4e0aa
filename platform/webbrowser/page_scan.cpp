#include "page_scan.h"

#include <windows.h>

#include <cctype>

namespace {

std::wstring Widen(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int chars =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], chars);
    return wide;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return std::string();
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The attributes of a start tag's inside (after its name), as lower-case names and values.
std::string AttributeValue(const std::string& inside, const std::string& wanted)
{
    size_t i = 0;
    while (i < inside.size()) {
        while (i < inside.size() && (IsSpace(inside[i]) || inside[i] == '/'))
            ++i;
        size_t nameStart = i;
        while (i < inside.size() && !IsSpace(inside[i]) && inside[i] != '=' && inside[i] != '/')
            ++i;
        std::string name = Lower(inside.substr(nameStart, i - nameStart));
        while (i < inside.size() && IsSpace(inside[i]))
            ++i;
        std::string value;
        if (i < inside.size() && inside[i] == '=') {
            ++i;
            while (i < inside.size() && IsSpace(inside[i]))
                ++i;
            if (i < inside.size() && (inside[i] == '"' || inside[i] == '\'')) {
                char quote = inside[i++];
                size_t end = inside.find(quote, i);
                if (end == std::string::npos)
                    end = inside.size();
                value = inside.substr(i, end - i);
                i = end + 1;
            } else {
                size_t start = i;
                while (i < inside.size() && !IsSpace(inside[i]))
                    ++i;
                value = inside.substr(start, i - start);
            }
        }
        if (!name.empty() && name == wanted)
            return value;
        if (name.empty() && i < inside.size())
            ++i;
    }
    return std::string();
}

}  // namespace

PageScan ScanPage(const std::string& page)
{
    PageScan scan;
    size_t i = page.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while ((i = page.find('<', i)) != std::string::npos) {
        if (page.compare(i, 4, "<!--") == 0) {
            size_t end = page.find("-->", i + 4);
            i = end == std::string::npos ? page.size() : end + 3;
            continue;
        }
        size_t close = page.find('>', i);
        if (close == std::string::npos)
            break;
        std::string inside = page.substr(i + 1, close - i - 1);
        i = close + 1;
        if (inside.empty() || !std::isalpha(static_cast<unsigned char>(inside[0])))
            continue;  // an end tag, a declaration or a stray '<'
        size_t nameEnd = 0;
        while (nameEnd < inside.size() && !IsSpace(inside[nameEnd]) && inside[nameEnd] != '/')
            ++nameEnd;
        std::string tag = Lower(inside.substr(0, nameEnd));
        size_t next = page.find('<', i);
        std::string text =
            Trim(page.substr(i, next == std::string::npos ? std::string::npos : next - i));
        if (tag == "title")
            scan.title = Widen(text);
        std::string id = AttributeValue(inside.substr(nameEnd), "id");
        if (!id.empty())
            scan.elements.push_back({Widen(id), Widen(tag), Widen(text)});
        if (tag == "script" || tag == "style") {
            size_t end = Lower(page).find("</" + tag, i);
            i = end == std::string::npos ? page.size() : end;
        }
    }
    return scan;
}
