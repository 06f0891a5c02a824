#pragma once

// The result-page fixtures (tests/fixtures/results): each page's expected
// results and the links it must never yield, and the score of what a reader
// made of them: precision and recall over the whole set, with every fault
// in words (an ad or strip link read, a result out of order, a wrong title).
#include <string>
#include <utility>
#include <vector>

struct ResultFixture
{
    std::string name;  // file name without ".html"
    std::string html;
    std::vector<std::pair<std::string, std::string>> expected;  // url, title; "/x": on the page's own server
    std::vector<std::string> never;
};

// Every fixture, in name order.
std::vector<ResultFixture> LoadResultFixtures();

class ResultScore
{
public:
    // read: (url, title) in page order; origin: "http://host:port" of the page.
    void Add(const ResultFixture& fixture, const std::string& origin,
             const std::vector<std::pair<std::string, std::string>>& read);
    double Precision() const { return m_read ? double(m_correct) / m_read : 1.0; }
    double Recall() const { return m_expected ? double(m_correct) / m_expected : 1.0; }
    const std::vector<std::string>& Faults() const { return m_faults; }
    // Faults that no share excuses: forbidden links, order, titles.
    size_t HardFaults() const { return m_hardFaults; }

private:
    size_t m_read = 0, m_expected = 0, m_correct = 0, m_hardFaults = 0;
    std::vector<std::string> m_faults;
};
