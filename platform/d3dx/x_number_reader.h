// Reads the values of an X-file data object in order, as the mesh templates lay them out:
// counts, whole numbers, reals, floats and vectors, each checked against what is left.
#pragma once

#include "d3dx/x_parser.h"

#include <cstdint>
#include <string>

// Reads the numbers of one data object front to back with range checks; a failed read sets
// the error to one line that names the object and what was being read.
class XNumberReader {
  public:
    XNumberReader(const XNode& node, std::string& errorText) : n(node), error(errorText) {}

    bool Count(uint32_t& value, size_t elementSize, const char* what) {
        if (!Number(value, what))
            return false;
        if (elementSize != 0 && value > Left() / elementSize) {
            error = n.type + ": " + what + " " + std::to_string(value) + " exceeds the data given";
            return false;
        }
        return true;
    }
    bool Number(uint32_t& value, const char* what) {
        if (pos >= n.numbers.size())
            return EndsBefore(what);
        const double d = n.numbers[pos++];
        if (!(d >= 0 && d <= 4294967295.0) || static_cast<uint32_t>(d) != d)
            return NotWhole(what);
        value = static_cast<uint32_t>(d);
        return true;
    }
    bool Real(double& value, const char* what) {
        if (pos >= n.numbers.size())
            return EndsBefore(what);
        value = n.numbers[pos++];
        return true;
    }
    bool Float(float& value, const char* what) {
        double d = 0;
        if (!Real(d, what))
            return false;
        value = static_cast<float>(d);
        return true;
    }
    // Three floats into v.x, v.y, v.z.
    template <typename Vector3> bool Vector(Vector3& v, const char* what) {
        if (Left() < 3) // let the single reads say where the data ends
            return Float(v.x, what) && Float(v.y, what) && Float(v.z, what);
        const double* d = n.numbers.data() + pos;
        pos += 3;
        v = {static_cast<float>(d[0]), static_cast<float>(d[1]), static_cast<float>(d[2])};
        return true;
    }
    size_t Left() const { return n.numbers.size() - pos; }

  private:
    // Kept out of the reads above so that they stay small enough to inline.
    [[gnu::noinline]] bool EndsBefore(const char* what) {
        error = n.type + ": data ends before " + what;
        return false;
    }
    [[gnu::noinline]] bool NotWhole(const char* what) {
        error = n.type + ": " + what + " is not a whole number";
        return false;
    }

    const XNode& n;
    std::string& error;
    size_t pos = 0;
};
