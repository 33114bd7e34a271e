// Whole-file reads with the platform's path separators translated.
#include "d3dx/d3dx_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

// A run of separators reads as one, as the platform's file functions take it; model files
// often double them.
std::string D3DXNativePath(const char* path) {
    std::string native;
    for (const char* c = path != nullptr ? path : ""; *c != '\0'; ++c) {
        if (*c != '\\' && *c != '/')
            native += *c;
        else if (native.empty() || native.back() != '/')
            native += '/';
    }
    return native;
}

bool D3DXReadFile(const char* path, std::vector<uint8_t>& bytes, std::string& error) {
    bytes.clear();
    if (path == nullptr) {
        error = "no file name given";
        return false;
    }
    const std::string native = D3DXNativePath(path);
    struct stat info {};
    if (stat(native.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        error = "cannot read " + native + ": not a regular file";
        return false;
    }
    FILE* file = std::fopen(native.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot read " + native + ": " + std::strerror(errno);
        return false;
    }
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long length = ok ? std::ftell(file) : -1;
    ok = ok && length >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        try {
            bytes.resize(static_cast<size_t>(length));
        } catch (const std::bad_alloc&) {
            std::fclose(file);
            error = "cannot read " + native + ": file too large";
            return false;
        }
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    const int readError = errno;
    std::fclose(file);
    if (!ok) {
        bytes.clear();
        error = "cannot read " + native + ": " +
                (readError != 0 ? std::strerror(readError) : "read failed");
        return false;
    }
    return true;
}
