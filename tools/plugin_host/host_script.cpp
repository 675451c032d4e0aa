#include "host_script.h"

bool ParseHostCommand(const std::string& line, HostCommand* command)
{
    std::string text = line;
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    if (text.empty() || text[0] == '#')
        return false;
    SplitFirstWord(text, &command->name, &command->argument);
    return !command->name.empty();
}

std::string UnescapeLine(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 't' || text[i + 1] == '\\')) {
            out += text[i + 1] == 't' ? '\t' : '\\';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void SplitFirstWord(const std::string& text, std::string* word, std::string* rest)
{
    size_t blank = text.find(' ');
    *word = text.substr(0, blank);
    *rest = blank == std::string::npos ? std::string() : text.substr(blank + 1);
}
