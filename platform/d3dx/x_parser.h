// Reads an X file (text, binary or compressed) into a tree of data objects. Templates the
// file declares are read and skipped: the data objects carry their values in order, which is
// all the mesh builder needs, so templates the reader does not know are skipped the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class XEncoding { Text, Binary, CompressedText, CompressedBinary };

// The 16-byte header: "xof ", version, format, float size.
struct XHeader {
    int versionMajor = 0;
    int versionMinor = 0;
    XEncoding encoding = XEncoding::Text;
    int floatBits = 32;
};

// One data object: its template name, optional object name, its values in file order
// (numbers and strings kept apart), and its nested objects. A reference to a named object
// ("{ name }") is a child with isReference set and the referenced name in name.
struct XNode {
    std::string type;
    std::string name;
    bool isReference = false;
    std::vector<double> numbers;
    std::vector<std::string> strings;
    std::vector<XNode> children;
};

struct XDocument {
    XHeader header;
    size_t templateCount = 0;
    std::vector<XNode> objects; // top-level data objects in file order
};

// Reads the header; false with a reason when the bytes are not an X file header.
bool ParseXHeader(const uint8_t* data, size_t size, XHeader& header, std::string& error);

// Parses a whole X file held in memory. False with a one-line reason on any error.
bool ParseXFile(const uint8_t* data, size_t size, XDocument& document, std::string& error);

// Names the encoding as the header spells it ("text", "binary", ...).
const char* XEncodingName(XEncoding encoding);
