#pragma once

#include "io/line_reader.h"

namespace tarvello {

/// Refuses, with Fatal and nothing changed, a run whose listing, table or
/// console stream is the existing regular file `output` by a route whose
/// device and index numbers do not tell it: a second mount of its folder,
/// FUSE, overlayfs or a network file system. It sets a mark on `output` that
/// every route to it shows, a modification time that no clock gives, looks
/// for it on each of them, fresh from the file system, and puts the old time
/// back.
void refuse_marked_routes(const char *output, const LineReader &listing);

} // namespace tarvello
