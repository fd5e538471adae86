#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Full-size logs for the benchmarks: 16 MiB of records at 10 Hz.

// 256 blocks of 40-byte records (time, fix type, position, extra value, speed, course, counts,
// millisecond): about 416 000 fixes.
std::vector<std::uint8_t> MakeBlockLog();

// The same blocks and records holding eight trips: outings of 52 000 fixes, four hours apart.
std::vector<std::uint8_t> MakeOutingsBlockLog();

// 256 blocks of compact 28-byte records (time, fix type, position, height) at 1 Hz: 594 432 fixes
// in 1 949 outings of 305 fixes, 15 minutes apart (28 days).
constexpr std::int32_t kCompactLogFixes = 594432;
constexpr std::int32_t kCompactLogTrips = 1949;
std::vector<std::uint8_t> MakeCompactBlockLog();

// 256 blocks in the sister layout of 1800 records of 30 bytes (time, fix type, float32 position,
// 3-byte height, speed, course, counts, millisecond), each block opened by a marker and a
// signature and holding one damaged record and one erased gap that the walk steps over byte by
// byte: about 460 000 fixes.
std::vector<std::uint8_t> MakeSisterLog();

// 4096 sectors of 99 records of 36 bytes: about 405 000 fixes.
std::vector<std::uint8_t> MakeSectorLog();

// Noisy logs of the same size: over 800 short trips at 10 Hz, every record jittered by metres,
// one in fifty a spike to a random place kilometres away, now and then a jump the track goes on
// from. The seed picks the trips, the jumps and the noise.
std::vector<std::uint8_t> MakeNoisyBlockLog(std::uint32_t seed);
std::vector<std::uint8_t> MakeNoisySectorLog(std::uint32_t seed);

// Writes bytes to a file; returns false on failure.
bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
