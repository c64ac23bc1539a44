// The files one render reads and writes must be distinct: the input, the
// state it loads, the output, the plot and the state it saves.
#pragma once

#include "tools/render/RenderJob.h"

#include <string>

// Throws RenderError naming both files when two of them are one file: the
// same device and inode for files that exist (so hard and symbolic links
// count), the same resolved path for files still to be made. Two files only
// read may be one, and so may a state loaded and saved again in place.
// `outputPath` is the output's name as chosen; empty when nothing is rendered.
void requireDistinctFiles(const RenderRequest& request, const std::string& outputPath);
