#include "platform/ui/Resources.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/ui/Document.h"

namespace jv::ui {

namespace {

std::mutex g_mutex;

std::map<int, const Resource*>& Installed() {
    static std::map<int, const Resource*> installed;
    return installed;
}

}  // namespace

bool Resources::Install(const ResourceTable& table) {
    std::lock_guard<std::mutex> lock(g_mutex);
    bool unique = true;
    for (size_t i = 0; i < table.count; ++i) {
        const Resource& resource = table.entries[i];
        if (!Installed().emplace(resource.id, &resource).second) unique = false;
    }
    return unique;
}

void Resources::ClearForTesting() {
    std::lock_guard<std::mutex> lock(g_mutex);
    Installed().clear();
}

const Resource* Resources::Find(int id) {
    std::lock_guard<std::mutex> lock(g_mutex);
    const auto it = Installed().find(id);
    return it != Installed().end() ? it->second : nullptr;
}

int Resources::IdFromUrl(std::string_view url) {
    url = url.substr(0, url.find('?'));
    const size_t slash = url.rfind('/');
    const std::string last(slash == std::string_view::npos ? url : url.substr(slash + 1));
    return std::atoi(last.c_str());
}

std::shared_ptr<Document> Resources::LoadDocument(int id, std::string url) {
    const Resource* resource = Find(id);
    if (resource == nullptr) return nullptr;
    return Document::Parse(resource->text(), std::move(url));
}

}  // namespace jv::ui
