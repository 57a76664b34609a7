#pragma once
// The game's command line: the program path, then switches compared without regard to case, each
// followed by its arguments; any other token names a world file to play.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kes {

struct CommandLine {
    std::string programPath;
    std::string trackFolder;  // with a trailing backslash; empty = "Tracks\\" in the game folder
    bool noMenu = false;
    bool windowed = false;
    bool noConfig = false;
    std::string worldFile;  // empty = none
    // Accepted and kept, without effect.
    bool noAiBiker = false;
    bool noAvi = false;
    uint32_t aiBiker = 0;
    uint32_t cdTrack = 0;
    std::string aviRecord;
    int32_t aviStretchA = 0;
    int32_t aviStretchB = 0;
    int32_t aviFps = 0;
};

// Takes the next token from text: blanks and tabs skipped; a token in double quotes runs to the next
// double quote (or the end) and keeps its blanks; otherwise it runs to the next blank, tab or end. The
// text is left on the token after it. False when no token is left.
bool NextCommandToken(std::string_view* text, std::string* token);

// Splits a whole command line into tokens.
std::vector<std::string> TokenizeCommandLine(std::string_view text);

// Reads the switches from the tokens (the first is the program path).
CommandLine ParseCommandTokens(const std::vector<std::string>& tokens);

// The number at the start of a token as atoi reads it (0 when there is none; saturated).
int32_t AtoiLike(std::string_view text);

}  // namespace kes
