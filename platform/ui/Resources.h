#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace jv::ui {

class Document;

// One file compiled into a program: a page, script, style sheet or image, found by its id.
struct Resource {
    int id;
    const char* name;      // the file name it was built from
    const char* mimeType;  // for example "text/html; charset=utf-8"
    const unsigned char* data;
    size_t size;

    std::string_view text() const { return {reinterpret_cast<const char*>(data), size}; }
};

// The resources of one library, as the build generates them (tools/resources.cmake).
struct ResourceTable {
    const Resource* entries;
    size_t count;
};

// The resources a program can show. Each program installs the tables of the libraries it is
// built from at start-up (the shared pages and its own) and the browser host finds them by id.
class Resources {
public:
    // Adds a table. False, and the entries with ids already known are left out, when ids repeat.
    static bool Install(const ResourceTable& table);
    // Forgets every table (for tests).
    static void ClearForTesting();
    static const Resource* Find(int id);

    // The resource id a page address names: the number after the last "/" (a query after it
    // does not count), as "res://Jorvane.exe/177?id" names 177. 0 when there is none.
    static int IdFromUrl(std::string_view url);
    // The page resource with this id parsed as a document with the given address; null when
    // there is no such resource.
    static std::shared_ptr<Document> LoadDocument(int id, std::string url);
};

}  // namespace jv::ui
