#include "app/cmd/Output.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "apply/ResString.h"
#include "apply/StringIds.h"

namespace cc {

namespace {

// A CSV field: quoted, with its quotes doubled, when it holds a comma, quote or line break.
// Names come from unauthenticated answers, so one that a spreadsheet would take for a
// formula (= + - @, a tab or a carriage return first) gets a leading apostrophe.
std::string CsvField(const std::string& field)
{
    const bool formulaLike = !field.empty() && std::string_view("=+-@\t\r").find(field[0]) != std::string_view::npos;
    const std::string text = formulaLike ? "'" + field : field;
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

std::string JsonString(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                                        wide.data(), static_cast<int>(wide.size()))));
    std::string quoted = "\"";
    for (wchar_t c : wide) {
        if (c == L'"' || c == L'\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            quoted += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            quoted += escape;
        }
    }
    return quoted + "\"";
}

namespace {

struct Column {
    std::string title;
    std::string (*value)(const ListedNode& node);
};

std::string RoleOf(const ListedNode& node)
{
    return node.member ? "member" : "controller";
}

std::vector<Column> ColumnsFor(OutputFormat format, bool withMembers)
{
    // People read the dialog's column titles; scripts read fixed keys.
    const bool forPeople = format == OutputFormat::Table;
    std::vector<Column> columns = {
        {forPeople ? LoadResString(IDS_COLUMN_NAME) : "name", [](const ListedNode& n) { return n.hostName; }},
        {forPeople ? LoadResString(IDS_COLUMN_ADDRESS) : "address", [](const ListedNode& n) { return n.address; }},
    };
    if (withMembers) {
        columns.push_back({forPeople ? "Role" : "role", RoleOf});
        columns.push_back(
            {forPeople ? "Controller" : "controller", [](const ListedNode& n) { return n.controllerAddress; }});
    }
    return columns;
}

std::string Table(const std::vector<ListedNode>& nodes, const std::vector<Column>& columns)
{
    std::vector<size_t> widths;
    for (const Column& column : columns) {
        size_t width = column.title.size();
        for (const ListedNode& node : nodes)
            width = std::max(width, column.value(node).size());
        widths.push_back(width);
    }
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string text;
        for (size_t i = 0; i < cells.size(); ++i) {
            text += cells[i];
            if (i + 1 < cells.size())
                text += std::string(widths[i] - cells[i].size() + 2, ' ');
        }
        return text + "\n";
    };
    std::vector<std::string> titles;
    for (const Column& column : columns)
        titles.push_back(column.title);
    std::string text = line(titles);
    for (const ListedNode& node : nodes) {
        std::vector<std::string> cells;
        for (const Column& column : columns)
            cells.push_back(column.value(node));
        text += line(cells);
    }
    return text;
}

std::string Csv(const std::vector<ListedNode>& nodes, const std::vector<Column>& columns)
{
    std::string text;
    for (size_t i = 0; i < columns.size(); ++i)
        text += (i ? "," : "") + CsvField(columns[i].title);
    text += "\n";
    for (const ListedNode& node : nodes) {
        for (size_t i = 0; i < columns.size(); ++i)
            text += (i ? "," : "") + CsvField(columns[i].value(node));
        text += "\n";
    }
    return text;
}

std::string Json(const std::vector<ListedNode>& nodes, const std::vector<Column>& columns)
{
    std::string text = "[";
    for (size_t n = 0; n < nodes.size(); ++n) {
        text += n ? ",\n  {" : "\n  {";
        for (size_t i = 0; i < columns.size(); ++i) {
            const std::string value = columns[i].value(nodes[n]);
            // A controller has no controller of its own.
            const bool none = columns[i].title == "controller" && !nodes[n].member;
            text += (i ? ", " : "") + JsonString(columns[i].title) + ": " + (none ? "null" : JsonString(value));
        }
        text += "}";
    }
    return text + (nodes.empty() ? "]\n" : "\n]\n");
}

}  // namespace

std::string FormatListing(const std::vector<ListedNode>& nodes, OutputFormat format, bool withMembers)
{
    const std::vector<Column> columns = ColumnsFor(format, withMembers);
    switch (format) {
    case OutputFormat::Csv:
        return Csv(nodes, columns);
    case OutputFormat::Json:
        return Json(nodes, columns);
    case OutputFormat::Table:
        break;
    }
    return Table(nodes, columns);
}

std::string PluginText(std::string text)
{
    std::replace(text.begin(), text.end(), '|', kPipeShownAs);
    return text;
}

std::string JsonFailureMembers(const Failure& failure)
{
    return "\"exitCode\": " + std::to_string(failure.code) +
           ", \"exitName\": " + JsonString(ExitCodeName(failure.code)) +
           ", \"message\": " + JsonString(failure.message);
}

std::string FormatFailure(const Failure& failure)
{
    return "{" + JsonFailureMembers(failure) + "}\n";
}

std::string SecondsText(std::chrono::steady_clock::duration duration, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, std::chrono::duration<double>(duration).count());
    return text;
}

std::string ExactSeconds(int milliseconds)
{
    const long long magnitude = milliseconds < 0 ? -static_cast<long long>(milliseconds) : milliseconds;
    std::string fraction = std::to_string(1000 + magnitude % 1000).substr(1);
    fraction.erase(fraction.find_last_not_of('0') + 1);
    return (milliseconds < 0 ? "-" : "") + std::to_string(magnitude / 1000) + (fraction.empty() ? "" : "." + fraction);
}

std::string RefreshRateAsStored(const StoredRefreshRate& stored)
{
    if (!stored.milliseconds)
        return "not a number (\"" + stored.text + "\")";
    if (*stored.milliseconds < 0)
        return std::to_string(*stored.milliseconds) + " ms";
    return ExactSeconds(*stored.milliseconds) + " s";
}

}  // namespace cc
