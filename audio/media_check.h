#pragma once
// A look at a media file's structure before the platform's decoder gets it. Under Wine the
// decoder (GStreamer's, behind both DirectShow and Media Foundation) hangs, often by the
// third attempt in one process, on an MP4 whose index ("moov" box) is missing, as in a
// recording or download cut short; such a file is left unread instead.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

/// Reads `count` bytes at `offset` into `out`; false when they are not all there.
using Read_At = std::function<bool(std::uint64_t offset, std::uint8_t* out, std::size_t count)>;

/// For a file of `size` bytes laid out in ISO base media boxes (MP4, M4A, MOV: it starts with
/// an "ftyp" box): true when a whole "moov" box is among its top-level boxes. True for any
/// other file: its own decoder judges it.
bool iso_index_present(std::uint64_t size, const Read_At& read);
/// The same for the file at `path`; false when it cannot be read.
bool iso_index_present(const std::u16string& path);
