// cinefold_generate_help OUTDIR VERSION: writes, from the help pages, the texts that cinefold and
// cinefold-saver print for --help (OUTDIR/HelpText.h, a header of string constants) and their
// manual pages (OUTDIR/cinefold.1, OUTDIR/cinefold-saver.6). Run by the build.

#include "HelpPages.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>

using namespace cinefold::help;

namespace {

constexpr std::size_t terminalWidth = 79;
constexpr std::size_t optionColumn = 22;

// text in lines of at most terminalWidth, continued lines after indent spaces. column is where
// the line already stands: text is padded out to indent, or follows what is there after a space.
std::string wrap(std::string_view text, std::size_t indent, std::size_t column = 0) {
    std::string out;
    bool lineEmpty = column <= indent;
    if (column < indent) out.append(indent - column, ' ');
    column = std::max(column, indent);
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string_view word = text.substr(start, end - start);
        start = end + 1;
        if (!lineEmpty && column + 1 + word.size() > terminalWidth) {
            out += '\n';
            out.append(indent, ' ');
            column = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        lineEmpty = false;
    }
    return out + "\n";
}

// "  NAME   text", the text wrapped in a column of its own.
std::string namedItems(const std::vector<Option>& items) {
    std::string out;
    for (const Option& item : items) {
        std::string line = "  " + std::string(item.name);
        if (line.size() + 2 > optionColumn) {
            out += line + "\n";
            line.clear();
        }
        out += line + wrap(item.text, optionColumn, line.size());
    }
    return out;
}

std::string usageLines(const std::vector<std::string_view>& synopsis) {
    std::string out;
    for (std::size_t i = 0; i < synopsis.size(); ++i)
        out += (i == 0 ? "usage: " : "       ") + std::string(synopsis[i]) + "\n";
    return out;
}

std::string pageText(const Page& page) {
    std::string out = usageLines(page.synopsis);
    for (std::string_view paragraph : page.description)
        out.append("\n").append(wrap(paragraph, 0));
    if (!page.options.empty()) out += "\nArguments and options:\n" + namedItems(page.options);
    if (!page.examples.empty()) out += page.examples.size() == 1 ? "\nExample:\n" : "\nExamples:\n";
    for (const Example& example : page.examples)
        out += "  " + std::string(example.command) + "\n" + wrap(example.text, 6, 0);
    return out;
}

std::string sectionText(const Section& section) {
    std::string heading(section.heading);
    for (std::size_t i = 1; i < heading.size(); ++i)
        heading[i] = char(std::tolower(static_cast<unsigned char>(heading[i])));
    if (section.items.empty())
        return "\n" + heading + ":" + wrap(section.paragraphs.front(), 0, heading.size() + 1);
    std::string out = "\n" + heading + ":\n";
    for (std::string_view paragraph : section.paragraphs)
        out += wrap(paragraph, 2, 0);
    return out + namedItems(section.items);
}

// What `cinefold --help` prints: every command and its synopsis, and the output formats.
std::string toolUsage(const Program& tool) {
    std::string out =
        usageLines(tool.synopsis) + "\n" + wrap(tool.description.front(), 0) + "\nCommands:\n";
    for (const Page& command : tool.commands) {
        for (std::string_view line : command.synopsis)
            out += "  " + std::string(line) + "\n";
        out += wrap(command.summary, 6, 0);
    }
    for (const Section& section : tool.sections)
        out += sectionText(section);
    return out + "\nRun 'cinefold help COMMAND' for a command's options and examples.\n";
}

// What `cinefold-saver --help` prints: its page and the sections after it.
std::string saverUsage(const Program& saver) {
    Page page = saver.options;
    page.synopsis = saver.synopsis;
    page.description = saver.description;
    std::string out = pageText(page);
    for (const Section& section : saver.sections)
        out += sectionText(section);
    return out;
}

// A C++ string literal of text.
std::string literal(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\n')
            out += "\\n\"\n    \"";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out + "\"";
}

// Text for roff: a backslash is \e, every dash \- (as options want), and a line that would
// begin with a control character is guarded.
std::string roff(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

// A synopsis line with the program's (and command's) own words in bold: the leading words
// before the first argument, option or bracket.
std::string roffSynopsis(std::string_view line) {
    std::size_t end = 0;
    while (end < line.size()) {
        const std::size_t next = line.find(' ', end);
        const std::string_view word =
            line.substr(end, next == std::string_view::npos ? std::string_view::npos : next - end);
        if (word.empty() || !std::islower(static_cast<unsigned char>(word[0])) ||
            word.find_first_of("[|=") != std::string_view::npos)
            break;
        end = next == std::string_view::npos ? line.size() : next + 1;
    }
    if (end == 0) return roff(line) + "\n";
    std::string bold(line.substr(0, end));
    while (!bold.empty() && bold.back() == ' ')
        bold.pop_back();
    return "\\fB" + roff(bold) + "\\fR" + roff(line.substr(bold.size())) + "\n";
}

// An option's name: options in bold, their values in italics.
std::string roffName(std::string_view name) {
    std::string out;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find(' ', start);
        if (end == std::string_view::npos) end = name.size();
        const std::string_view word = name.substr(start, end - start);
        if (!out.empty()) out += ' ';
        out += (word.starts_with("-") ? "\\fB" : "\\fI") + roff(word) + "\\fR";
        start = end + 1;
    }
    return out;
}

std::string roffItems(const std::vector<Option>& items) {
    std::string out;
    for (const Option& item : items)
        out += ".TP\n" + roffName(item.name) + "\n" + roff(item.text) + "\n";
    return out;
}

std::string roffSynopsisLines(const std::vector<std::string_view>& synopsis) {
    if (synopsis.empty()) return {};
    std::string out = ".nf\n";
    for (std::string_view line : synopsis)
        out += roffSynopsis(line);
    return out + ".fi\n";
}

std::string roffParagraphs(const std::vector<std::string_view>& paragraphs) {
    std::string out;
    for (std::string_view paragraph : paragraphs)
        out += ".PP\n" + roff(paragraph) + "\n";
    return out;
}

std::string roffPage(const Page& page) {
    std::string out = roffSynopsisLines(page.synopsis) + roffParagraphs(page.description) +
                      roffItems(page.options);
    if (!page.examples.empty())
        out += ".PP\nExample" + std::string(page.examples.size() > 1 ? "s" : "") + ":\n";
    for (const Example& example : page.examples)
        out += ".RS\n.nf\n" + roff(example.command) + "\n.fi\n.RS\n" + roff(example.text) +
               "\n.RE\n.RE\n";
    return out;
}

std::string manPage(const Program& program, std::string_view version) {
    std::string title(program.name);
    for (char& c : title)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    std::string out = ".\\\" Made by the build from the tool's help pages; edit those instead.\n";
    out += ".TH " + roff(title) + " " + std::to_string(program.manSection) + " \"\" \"Cinefold " +
           std::string(version) + "\" \"" + std::string(program.manTitle) + "\"\n";
    out += ".SH NAME\n" + roff(program.name) + " \\- " + roff(program.summary) + "\n";
    out += ".SH SYNOPSIS\n" + roffSynopsisLines(program.synopsis);
    out += ".SH DESCRIPTION\n" + roffParagraphs(program.description);
    if (!program.commands.empty()) out += ".SH COMMANDS\n";
    for (const Page& command : program.commands)
        out += ".SS\n" + roff(command.name) + " \\- " + roff(command.summary) + "\n" +
               roffPage(command);
    if (program.commands.empty()) out += ".SH OPTIONS\n" + roffPage(program.options);
    for (const Section& section : program.sections)
        out += ".SH " + roff(section.heading) + "\n" + roffParagraphs(section.paragraphs) +
               roffItems(section.items);
    out += ".SH SEE ALSO\n";
    for (std::size_t i = 0; i < program.seeAlso.size(); ++i) {
        const std::string_view name = program.seeAlso[i];
        const std::size_t paren = name.find('(');
        out += ".BR " + roff(name.substr(0, paren)) + " " + std::string(name.substr(paren)) +
               (i + 1 < program.seeAlso.size() ? " ,\n" : "\n");
    }
    return out;
}

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (file) return true;
    std::fprintf(stderr, "cinefold_generate_help: cannot write %s\n", path.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: cinefold_generate_help OUTDIR VERSION\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    const std::string version = argv[2];
    const Program& tool = toolProgram();
    const Program& saver = saverProgram();

    std::string header = "// Made by the build from tools/help/HelpPages.cpp; edit that instead.\n"
                         "#pragma once\n\nnamespace cinefold::help {\n\n";
    header += "inline constexpr char version[] = " + literal(version) + ";\n\n";
    header += "inline constexpr char toolUsage[] =\n    " + literal(toolUsage(tool)) + ";\n\n";
    header += "struct CommandHelp {\n    const char* name;\n    const char* text;\n};\n\n"
              "inline constexpr CommandHelp commandHelp[] = {\n";
    for (const Page& command : tool.commands)
        header += "    {" + literal(std::string(command.name)) + ",\n    " +
                  literal(pageText(command)) + "},\n";
    header += "};\n\ninline constexpr char saverUsage[] =\n    " + literal(saverUsage(saver)) +
              ";\n\n} // namespace cinefold::help\n";

    const bool written = writeFile(folder + "/HelpText.h", header) &&
                         writeFile(folder + "/cinefold.1", manPage(tool, version)) &&
                         writeFile(folder + "/cinefold-saver.6", manPage(saver, version));
    return written ? 0 : 1;
}
