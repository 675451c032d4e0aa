// The header blocks of the agent's POST to its server (each line ends with CR LF).
#pragma once

constexpr char kDefaultVersionText[] = "4.001";
constexpr char kPlatformText[] = "win32";

// Process-heap texts (FreeHeapBlock); null texts are written as empty ones, a null version
// as the default version; null when the block cannot be allocated.
char* FormatSessionHeaders(const char* sessionId, unsigned long compression, unsigned long checksum,
                           const char* version);

struct LoginHeaderFacts {
    const char* eMail;
    const char* agentName;
    const char* version;
    const char* osVersion;
    const char* hostName;
    const char* buildDate;
    const char* buildTime;
};
char* FormatLoginHeaders(const LoginHeaderFacts& facts);
