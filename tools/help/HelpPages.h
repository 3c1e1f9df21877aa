#pragma once
// The words of the tool's and the saver's help: what `cinefold COMMAND --help` and
// `cinefold-saver --help` print and what the manual pages say are made from these pages at build
// time (GenerateHelp.cpp), so the two cannot say different things.
//
// Text is plain: a paragraph is one string, wrapped where it is shown. A synopsis line and an
// example's command are shown as they are written.

#include <string_view>
#include <vector>

namespace cinefold::help {

struct Option {
    std::string_view name; // "--frame N"
    std::string_view text;
};

struct Example {
    std::string_view command;
    std::string_view text;
};

struct Page {
    std::string_view name;    // "render"; for a program, its own name
    std::string_view summary; // one line, lower case, no full stop
    std::vector<std::string_view> synopsis;
    std::vector<std::string_view> description; // paragraphs
    std::vector<Option> options;
    std::vector<Example> examples;
};

// A section of a manual page beyond the pages' own: a heading and its paragraphs, or, when
// items is not empty, a heading, a paragraph and a list of named items.
struct Section {
    std::string_view heading; // "EXIT STATUS"
    std::vector<std::string_view> paragraphs;
    std::vector<Option> items;
};

struct Program {
    std::string_view name;     // "cinefold"
    int manSection;            // 1 or 6
    std::string_view manTitle; // "User Commands"
    std::string_view summary;  // for the NAME line
    std::vector<std::string_view> synopsis;
    std::vector<std::string_view> description;
    std::vector<Page> commands; // empty for a program without commands
    Page options;               // the program's own options, for one without commands
    std::vector<Section> sections;
    std::vector<std::string_view> seeAlso; // "cinefold-saver(6)"
};

const Program& toolProgram();
const Program& saverProgram();

} // namespace cinefold::help
