// Level to meter position on a 30 dB scale: -30 dB reads 0, 0 dB reads 1,
// every 3 dB 0.1; louder levels read 1.
#pragma once

float meterScale(float level);
