#include "http_verdict.h"

#include <cstdio>

namespace {

constexpr const char* kTimedOut = "Timed out.";
constexpr const char* kStringFound = "String found.";
constexpr const char* kStringNotFound = "String NOT found.";
constexpr unsigned int kHighestPlainCode = 401;
constexpr unsigned int kForbidden = 403;

std::string CodeText(unsigned int code)
{
    char text[48];
    snprintf(text, sizeof text, "HTTP status code: %lu. ", static_cast<unsigned long>(code));
    return text;
}

unsigned int ClampMilliseconds(int64_t ms)
{
    if (ms < 0)
        return 0;
    if (ms > 0xFFFFFFFFll)
        return 0xFFFFFFFFu;
    return static_cast<unsigned int>(ms);
}

}  // namespace

bool HttpCodeAccepted(unsigned int code)
{
    return code <= kHighestPlainCode || code == kForbidden;
}

HttpVerdict JudgeHttp(const HttpMeasure& measure, const HttpTest& test)
{
    HttpVerdict verdict;
    verdict.code = measure.code;
    verdict.length = measure.length;
    if (measure.timeLeftMs <= 0) {
        verdict.text = kTimedOut;
        return verdict;
    }
    if (measure.error != 0) {
        verdict.text = measure.errorText ? measure.errorText : "";
        return verdict;
    }
    verdict.milliseconds = ClampMilliseconds(measure.elapsedMs);
    verdict.text = CodeText(measure.code);
    if (!measure.responded || !HttpCodeAccepted(measure.code))
        return verdict;
    verdict.status = 0;
    if (!test.readContent || test.matchText.empty())
        return verdict;
    verdict.status = measure.matchFound == test.matchSense ? 0 : 2;
    verdict.text += test.matchSense ? kStringFound : kStringNotFound;
    return verdict;
}
