#pragma once
// The names of captured files and the rules of the folder and name fields, shared by
// capture and screenshots: a folder kept with exactly one trailing "/" (a leading
// "~/" is the home folder), a base name without the characters no file name may
// hold on the systems users share files with, the run number found in a folder, the
// zero-padded counters, and the printf formats of every file name.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace velmora::client {

// Trailing "/" removed, then one appended: "~/captures///" → "~/captures/", "" → "/".
std::string withOneTrailingSlash(const std::string& folder);
// The folder as a path to open: "~/" expanded, exactly one trailing "/".
std::string folderPath(const std::string& folderText);
bool folderExists(const std::string& folderText);

// Trailing spaces removed.
std::string trimmedName(const std::string& name);
// None of \ / : * ? " < > | (nor a control character that would end a C string).
bool isValidBaseName(const std::string& name);

enum class CaptureFileType { Avi = 0, Fits = 1 };

// The largest number N among the folder's "*.avi" (or "*.fits") entries named
// "<baseName>-N…" (exact case; no digits count as 0), plus 1; 0 when there is none
// or the folder cannot be read.
std::uint64_t nextRunNumber(const std::string& folderPath, const std::string& baseName, CaptureFileType type);
// The number left-padded with "0" to `digits`, or nothing when it needs more digits.
std::optional<std::string> paddedNumber(std::uint64_t number, int digits);

// A plane caption as part of a file name: a "/" would name another folder.
std::string captionForFileName(const std::string& caption);

// "%s%s-%s.avi", "%s%s-%s-%s.fits", "%s%s-%s-%s-%s.fits".
std::string aviFileName(const std::string& folder, const std::string& name, const std::string& run);
std::string fitsFileName(const std::string& folder, const std::string& name, const std::string& run,
                         const std::string& frame);
std::string fitsPlaneFileName(const std::string& folder, const std::string& name, const std::string& run,
                              const std::string& frame, const std::string& caption);
// "(%d.%m.%Y %H-%M-%S)" of the local time.
std::string screenshotTimeStamp(std::chrono::system_clock::time_point time);
// "%s%s_%s.fits" and "%s%s_%s_%s.fits".
std::string screenshotFileName(const std::string& folder, const std::string& name, const std::string& stamp);
std::string screenshotPlaneFileName(const std::string& folder, const std::string& name,
                                    const std::string& stamp, const std::string& caption);

} // namespace velmora::client
