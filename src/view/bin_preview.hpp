#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The text preview of a binary resource and the fixed preview texts of the other kinds. These
// are the exact RTF documents the rich-text view is given (and that tests compare); nothing here
// depends on Qt.
namespace tessary::view {

// The escaped lines of a text resource, each followed by "\par ". A line ends at CR, CR LF or a
// lone LF (files written on Unix would otherwise show as one unreadable paragraph); the end mark
// is not part of the line. "\", "{" and "}" are escaped in that order. An empty input gives the
// empty text; a final line without an end mark still counts.
std::string BinPreviewText(std::span<const std::uint8_t> bytes);

// The whole preview document: a red heading "File ID:" and the lines in the default colour.
std::string BinPreviewRtf(std::int32_t id, std::span<const std::uint8_t> bytes);

// True when the escaped text starts with exactly "JASC-PAL" (case-sensitive).
bool StartsWithJascPal(std::string_view previewText);

// The messages shown in place of a preview.
constexpr char kSpritePreviewRtf[] =
    "{\\rtf1{\\colortbl ;\\red128\\green0\\blue0;}\\cf1 (displaying graphic)}";
constexpr char kSoundPreviewRtf[] =
    "{\\rtf1{\\colortbl ;\\red0\\green128\\blue0;}\\cf1 (playing sound file)}";
constexpr char kUnknownPreviewRtf[] =
    "{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;}\\cf1 Unknown resource type!}";

} // namespace tessary::view
