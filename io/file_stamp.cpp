#include "io/file_stamp.h"

bool changed_since(const File_Stamp& known, const File_Stamp& now) {
    if (!known.exists) return false;
    return !(known == now);
}
