// The scripted network of the test bed's network provider: one entry a line, fields
// separated by TAB:
//
//     <parent remote name>  <kind>  <remote name>
//
// An empty parent puts the entry at the top of the provider's network. Kinds: "domain" and
// "server" are containers (a server's children are its shares), "share" is connectable,
// "group" is a generic container. The remote name "<null>" gives an entry without one. Blank
// lines and lines starting with # are skipped.
#pragma once

#include <string>
#include <vector>

struct ProviderEntry {
    std::string parent;
    std::string kind;
    std::string remoteName;
};

std::vector<ProviderEntry> ReadProviderTree(const std::string& text);

// The children of `parent` ("" for the top), in file order.
std::vector<ProviderEntry> ChildrenOf(const std::vector<ProviderEntry>& tree,
                                      const std::string& parent);
