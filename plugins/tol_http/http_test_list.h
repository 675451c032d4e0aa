// CHttpTestList: the HTTP plug-in's tests in the order they were added. Not locked: the
// checker holds its list lock around every call.
#pragma once

#include <memory>
#include <vector>

#include "http_test.h"

using HttpTestCopies = std::vector<std::unique_ptr<HttpTest>>;

class CHttpTestList {
public:
    // A test id of 0, or one already in the list, changes nothing (false); otherwise the test
    // joins at the end, marked changed (true).
    bool Add(const HttpTest& test);

    // False when no test has the id; otherwise every field is replaced and the test is
    // marked changed.
    bool Modify(const HttpTest& test);

    // Removes the test with the id; 0, which no test has, removes nothing.
    bool Remove(unsigned int testId);

    void Clear();

    // Copies of the tests one pass requests: every test (forced false) or only the changed
    // ones; each test copied is no longer changed.
    HttpTestCopies TakePass(bool forced);

    const HttpTest* Find(unsigned int testId) const;
    size_t Size() const { return m_tests.size(); }

private:
    HttpTest* FindTest(unsigned int testId);

    std::vector<std::unique_ptr<HttpTest>> m_tests;
};
