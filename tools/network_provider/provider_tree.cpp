#include "provider_tree.h"

#include <sstream>

std::vector<ProviderEntry> ReadProviderTree(const std::string& text)
{
    std::vector<ProviderEntry> tree;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        size_t first = line.find('\t');
        size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
        if (second == std::string::npos)
            continue;
        tree.push_back({line.substr(0, first), line.substr(first + 1, second - first - 1),
                        line.substr(second + 1)});
    }
    return tree;
}

std::vector<ProviderEntry> ChildrenOf(const std::vector<ProviderEntry>& tree,
                                      const std::string& parent)
{
    std::vector<ProviderEntry> children;
    for (const ProviderEntry& entry : tree)
        if (entry.parent == parent)
            children.push_back(entry);
    return children;
}
