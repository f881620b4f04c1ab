#pragma once

#include "store/Services.h"

#include <QStringList>

// What `brisk check` adds about writing an imported image: frames, blocks and
// whether it can be written (firmware), or the loader's length (boot). `writable`
// says whether a write would be attempted; `sent` then holds the bytes it would send.
QStringList describeWritability(WindowServices &window, bool boot, bool &writable, QByteArray &sent);
