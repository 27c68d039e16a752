#pragma once
// Paths and UTF-8 text for the rooms (gf_pathFromUtf8, gf_utf8FromPath, gf_genericUtf8FromPath,
// gf_utf8FileName): they live with the platform layers, which need them too.
#include "platform/system/path_text.h"
