// The report brelto-render prints when it is done, as text or as JSON.
#pragma once

#include "tools/render/Album.h"
#include "tools/render/Batch.h"
#include "tools/render/RenderJob.h"

#include <cstdio>
#include <string>
#include <vector>

void printReport(std::FILE* out, const RenderReport& report);
// "-14.00 LUFS, -1.00 dBTP (streaming)": what the mastering was asked.
std::string goalText(const LevelGoal& goal, const std::string& preset);
std::string reportJson(const RenderReport& report);

// A batch: one line per file (loudness and true peak in and out, the output's
// loudness range and PLR, Brelto's gain and ceiling, the renders made and the
// status), or every file's report. True peaks are the higher reading.
void printBatchSummary(std::FILE* out, const std::vector<BatchItem>& items);
std::string batchJson(const std::vector<BatchItem>& items);

// An album: the batch's lines, one for the album and what it was asked.
void printAlbumSummary(std::FILE* out, const Album& album);
std::string albumJson(const Album& album);
