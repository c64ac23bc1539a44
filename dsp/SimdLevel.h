// The instruction sets the limiter's vector kernels are built for, and the
// choice among them. All of them give the same bits; wider vectors only do
// the same work in fewer steps.
#pragma once

enum class SimdLevel { sse2, avx2, avx512 };

// The widest level that both the processor and the system support (the
// system must save the wider registers on a task switch); found on the first
// call and kept.
SimdLevel supportedSimdLevel();

// The level the limiter runs at unless told otherwise: the supported one,
// but AVX2 on Intel processors with AVX-512, which lower their clock while
// 512-bit instructions run and wait for the wide units to power up on each
// short burst of them, so that the scans, short and rare, cost the whole
// pass more than they save (measured on a Xeon). AMD processors have no
// such penalty.
SimdLevel preferredSimdLevel();
