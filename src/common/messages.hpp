#pragma once

// Every text the program shows a person: the window's message boxes, titles, dialogs and status
// line, and the command line's own lines. Each is written here once and used by name, so a
// wording is changed in one place and no handler needs to recognise a text to know what it is.
#include <string>

namespace tessary {

// ----- failures (the first line of a message box, and of the command line's report) -----

constexpr char kReadErrorText[] = "Error reading from DRS file!";
constexpr char kSpriteErrorText[] = "Error reading sprite file!";
constexpr char kSLXReadErrorText[] = "Error reading SLX file!";
constexpr char kBitmapReadErrorText[] = "Error reading bitmap file!";
constexpr char kSoundReadErrorText[] = "Error reading sound file!"; // not shown: a beep instead
constexpr char kNotValidPaletteText[] = "Not valid palette file!";
constexpr char kErrorOpeningPaletteText[] = "Error opening palette file!";
constexpr char kSaveErrorText[] = "Error saving file!";
constexpr char kEncodeErrorText[] = "Sprite cannot be encoded!";
constexpr char kSavePaletteErrorText[] = "Error saving palette data!";
constexpr char kOutputErrorText[] = "Error writing output!";
constexpr char kOutOfMemoryText[] = "Out of memory!";

inline std::string DescriptionSaveErrorText(const std::string &path) {
  return "Error saving description file \"" + path + "\"!";
}
inline std::string DescriptionLoadErrorText(const std::string &path) {
  return "Error opening description file \"" + path + "\"!";
}

// ----- the window: titles, questions and notes -----

constexpr char kAppTitle[] = "Tessary";
constexpr char kWindowCaption[] = "Tessary - Viewer/Extractor (v0.5b)";
// The About window's credits line.
constexpr char kCreditsText[] = "By the Tessary contributors";
constexpr char kOpenFailedTitle[] = "Error";
constexpr char kInvalidFormatQuestion[] =
    "Invalid file format - continue anyway? (may cause lots of horrible errors)";
constexpr char kNotImplementedText[] = "Sorry, feature not yet implemented!";
constexpr char kHelpText[] = "As a beta release, this program has no documentation. Hopefully it "
                             "won't be too complicated to figure everything out yourself...";
constexpr char kHelpTitle[] = "Help";
constexpr char kPaletteSavedText[] = "Palette now available in image viewer";
constexpr char kNoArchiveCaption[] = "[none]";
constexpr char kDefaultPaletteCaption[] = "[default] Select...";

// ----- the window's file dialogs -----

constexpr char kOpenTitle[] = "Select DRS file to open";
constexpr char kOpenFilter[] = "DRS files (*.drs)|*.drs|All files (*.*)|*.*";
constexpr char kImageTitle[] = "Save image as...";
constexpr char kImageFilter[] = "BMP file (*.bmp)|*.bmp|All files (*.*)|*.*";
constexpr char kPaletteTitle[] = "Use palette...";
constexpr char kPaletteFilter[] = "PAL files (*.pal)|*.pal|All files (*.*)|*.*";
constexpr char kExtractTitle[] = "Select filename to save resource as";
constexpr char kExtractFilter[] =
    "BIN file (*.bin)|*.bin|WAV file (*.wav)|*.wav|SLP file (*.slp)|*.slp|All files (*.*)|*.*";
constexpr char kSlxFilter[] = "SLX file (*.slx)|*.slx";
constexpr char kDescriptionFilter[] = "Description file (*.dsc)|*.dsc";
constexpr char kDescriptionSaveTitle[] = "Select filename to save descriptions as";
constexpr char kDescriptionOpenTitle[] = "Select description file to open";

// ----- the window's status line and picture status -----

constexpr char kOpeningStatus[] = "Opening file...";
constexpr char kAnalysingStatus[] = "Analysing file...";
constexpr char kCleaningUpStatus[] = "Cleaning up...";
constexpr char kSavingFileStatus[] = "Saving file...";
constexpr char kSavingPaletteStatus[] = "Saving palette...";
constexpr char kReadingDataStatus[] = "Reading data...";
constexpr char kFinishedReadingStatus[] = "Finished reading data";
constexpr char kLoadingImageStatus[] = "Loading image...";
constexpr char kLoadingImageCaption[] = "Loading image: 0%";
constexpr char kShowingFramePrefix[] = "Showing frame ";
constexpr char kSavingFramePrefix[] = "Saving frame ";
constexpr char kFrameOfText[] = " of ";
constexpr char kExportingSequenceStatus[] = "Exporting to image sequence...";
constexpr char kExportingFramesStatus[] = "Exporting all frames...";
constexpr char kDescriptionsLoadedPrefix[] = "Descriptions loaded: ";

// ----- the command line's own lines -----

constexpr char kCliVersionText[] = "tessary-cli 0.5b";
// What `tessary --version` prints.
constexpr char kWindowVersionText[] = "tessary 0.5b\n";
constexpr char kCliHelpHint[] = "Run with --help for more information.";
constexpr char kCliStdoutFailure[] = "cannot write to standard output";
constexpr char kCliExitStatusFooter[] =
    "Exit status: 0 done; 1 the input or output failed (the message, then what exactly was\n"
    "wrong); 2 the call's words are wrong (unknown command, missing argument, an identifier\n"
    "the archive does not hold).\n";

} // namespace tessary
