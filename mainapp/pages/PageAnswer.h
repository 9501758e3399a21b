#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

class CJVPage;

// What a script method works out for its page goes back through the page, as every answer of the
// program does: the page's hidden span "WorkedOut" takes each value as a data attribute
// (data-<name>; names in lower case, words joined by "-", as the page's dataset reads them), which
// the script reads once its call has settled. Numbers go as plain text that
// reads back as the same number.
void AnswerPage(CJVPage& page, std::initializer_list<std::pair<std::string_view, std::string>> values);
std::string AnswerNumber(double value);
