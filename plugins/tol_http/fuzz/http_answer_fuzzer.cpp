// Fuzz target of what tol_http makes of a web server's answer: the status code as WinINet reads
// it from the status line, the body in the chunks it arrives in searched for the match text,
// the verdict and the RESULT_HTTP record. Nothing may fault; the match must be found exactly
// when the text is in the body, whatever the chunks; every byte must be counted; the status
// must follow the verdict table; and the record must be whole, its text UTF-8.
//
// Input: four bytes of status code (little-endian), a flags byte (read content, match sense,
// time used up), a byte of chunk size, a byte of match-text length, the match text, the body.
#include <string>

#include "content_match.h"
#include "fuzz_support.h"
#include "http_record.h"
#include "http_verdict.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 7)
        return 0;
    uint32_t code;
    memcpy(&code, data, 4);
    const uint8_t flags = data[4];
    const size_t chunk = data[5] + 1u;
    const size_t textLength = data[6] < size - 7 ? data[6] : size - 7;
    const std::string text(reinterpret_cast<const char*>(data + 7), textLength);
    const std::string body(reinterpret_cast<const char*>(data + 7 + textLength),
                           size - 7 - textLength);

    HttpTest test;
    test.tid = 5;
    test.lid = 6;
    test.matchText = text;
    test.readContent = (flags & 1) != 0;
    test.matchSense = (flags & 2) != 0;

    CContentMatch match(test.matchText);
    for (size_t at = 0; at < body.size(); at += chunk)
        match.Feed(body.data() + at, body.size() - at < chunk ? body.size() - at : chunk);
    Check(match.Bytes() == body.size());
    Check(match.Found() == (!text.empty() && body.find(text) != std::string::npos));

    HttpMeasure measure;
    measure.timeLeftMs = (flags & 4) ? 0 : 1000;
    measure.responded = true;
    measure.code = code;
    measure.length = static_cast<unsigned int>(match.Bytes());
    measure.elapsedMs = 12;
    measure.matchFound = match.Found();
    HttpVerdict verdict = JudgeHttp(measure, test);
    bool held = measure.timeLeftMs > 0 && HttpCodeAccepted(code) &&
                (!test.readContent || text.empty() || match.Found() == test.matchSense);
    Check(verdict.status == (held ? 0u : 2u));
    Check(HttpCodeAccepted(code) == (code <= 401 || code == 403));

    CComBSTR bytes;
    Check(BuildHttpRecord(test.tid, test.lid, verdict, &bytes));
    std::string texts[1];
    Check(RecordIsWhole(bytes.Bytes(), bytes.ByteLength(), texts, 1) && IsUtf8(texts[0]));
    return 0;
}
