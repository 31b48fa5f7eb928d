// Files the build puts inside a test program (cmake/embed_files.cmake), for
// programs that run where the checkout cannot be read (under Wine, as
// another user). Header only: programs without the rest of testkit use it.
#pragma once

#include <stddef.h>
#include <string.h>

#include <string>

namespace testkit {

struct EmbeddedFile {
    const char* name;
    const char* bytes;
    size_t size;
};

// The file of that name from a table that ends with a null name; false
// when the table has none.
inline bool FindEmbeddedFile(const EmbeddedFile* files, const char* name, std::string* text)
{
    for (const EmbeddedFile* f = files; f->name; f++) {
        if (strcmp(f->name, name) == 0) {
            text->assign(f->bytes, f->size);
            return true;
        }
    }
    return false;
}

} // namespace testkit
