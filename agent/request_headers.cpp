#include "request_headers.h"

#include "heap_helpers.h"

#include <cstdarg>
#include <cstdio>

namespace {

const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

const char* OrDefaultVersion(const char* version)
{
    return version && *version ? version : kDefaultVersionText;
}

char* FormatHeap(const char* format, ...) __attribute__((format(printf, 1, 2)));

char* FormatHeap(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length <= 0)
        return nullptr;
    auto* text = static_cast<char*>(HeapAllocZero(static_cast<size_t>(length) + 1));
    if (!text)
        return nullptr;
    va_start(args, format);
    std::vsnprintf(text, static_cast<size_t>(length) + 1, format, args);
    va_end(args);
    return text;
}

}  // namespace

char* FormatSessionHeaders(const char* sessionId, unsigned long compression, unsigned long checksum,
                           const char* version)
{
    return FormatHeap(
        "Content-Type: application/octet-stream\r\nTol-SessionID: %s\r\n"
        "Tol-Compression: %lu\r\nTol-CheckSum: %lu\r\nTol-Platform: %s\r\n"
        "Tol-Version: %s\r\n",
        OrEmpty(sessionId), compression, checksum, kPlatformText, OrDefaultVersion(version));
}

char* FormatLoginHeaders(const LoginHeaderFacts& facts)
{
    return FormatHeap(
        "Content-Type: application/octet-stream\r\nTol-EMail: %s\r\n"
        "Tol-AName: %s\r\nTol-Platform: %s\r\nTol-Version: %s\r\n"
        "Tol-OSVersion: %s\r\nTol-Hostname: %s\r\nTol-Builddate: %s %s\r\n",
        OrEmpty(facts.eMail), OrEmpty(facts.agentName), kPlatformText,
        OrDefaultVersion(facts.version), OrEmpty(facts.osVersion), OrEmpty(facts.hostName),
        OrEmpty(facts.buildDate), OrEmpty(facts.buildTime));
}
