#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/ui/Loop.h"
#include "platform/ui/Resources.h"
#include "tests/support/FakeHost.h"

namespace jv::test {

// The UI thread of a test: a loop and the fake browser host, installed, whose failures (a dialog
// nobody answers, a patch the browser's copy does not take) fail the test.
class UiEnvironment {
public:
    UiEnvironment() : host(loop) {
        host.SetFailureHandler([](const std::string& message) { ADD_FAILURE() << message; });
    }

    jv::ui::Loop loop;
    jv::ui::FakeHost host;
};

// Pages given as text, installed as resources for the lifetime of the object.
class ScopedResources {
public:
    explicit ScopedResources(std::vector<std::pair<int, std::string>> pages) : pages_(std::move(pages)) {
        for (const auto& [id, text] : pages_) {
            entries_.push_back(jv::ui::Resource{id, "test.html", "text/html; charset=utf-8",
                                                reinterpret_cast<const unsigned char*>(text.data()), text.size()});
        }
        jv::ui::Resources::Install(jv::ui::ResourceTable{entries_.data(), entries_.size()});
    }
    ~ScopedResources() { jv::ui::Resources::ClearForTesting(); }
    ScopedResources(const ScopedResources&) = delete;
    ScopedResources& operator=(const ScopedResources&) = delete;

private:
    std::vector<std::pair<int, std::string>> pages_;
    std::vector<jv::ui::Resource> entries_;
};

}  // namespace jv::test
