#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "store/Numbers.h"
#include "store/RefreshRateXml.h"
#include "store/WriteSettings.h"
#include "store/Xml.h"
#include "store_test_support.h"

using namespace cc;

namespace {

std::string SampleFor(const char* milliseconds)
{
    return std::string("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n") + "<SUMMARY Version=\"2.0\" xmlns=\"" +
           kPowerDeviceNamespace + "\">\r\n" + "  <OBJECT name=\"RefreshRate\">" + milliseconds + "</OBJECT>\r\n" +
           "</SUMMARY>\r\n";
}

const std::vector<std::string> kOnlyRefreshRateXml = {"refreshRate.xml"};

}  // namespace

TEST(RefreshRateXml, TwentySecondsGiveTheWholeSampleFile)
{
    ToolDirectory tool;
    EXPECT_EQ(RefreshRateXmlPathFor(tool.Path()), tool.Path() + "\\http\\data\\refreshRate.xml");
    EXPECT_EQ(WriteRefreshRateXml(tool.Path(), 20000), RefreshRateXmlResult::Written);
    EXPECT_EQ(ReadWholeFile(tool.DataFile("refreshRate.xml")), SampleFor("20000"));
    EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"), kOnlyRefreshRateXml);
}

TEST(RefreshRateXml, NamespaceIsUrlDomainAndDeviceClass)
{
    const std::string identifier = kPowerDeviceNamespace;
    const std::string scheme = "url:";
    const std::string deviceClass = ":PowerDeviceClass";
    ASSERT_GT(identifier.size(), scheme.size() + deviceClass.size());
    EXPECT_EQ(identifier.compare(0, scheme.size(), scheme), 0);
    EXPECT_EQ(identifier.compare(identifier.size() - deviceClass.size(), deviceClass.size(), deviceClass), 0);
    const std::string domain = identifier.substr(scheme.size(), identifier.size() - scheme.size() - deviceClass.size());
    EXPECT_EQ(domain.find(':'), std::string::npos);
    EXPECT_NE(domain.find('.'), std::string::npos);
}

TEST(RefreshRateXml, ObjectTextIsTheSecondsTimesThousand)
{
    ToolDirectory tool;
    const struct {
        const char* secondsText;
        const char* milliseconds;
    } cases[] = {
        {"25", "25000"},
        {"7x", "7000"},
        {"letters", "0"},
        {"", "0"},
        {"-5", "-5000"},
        {"99999999999", "2147483647"},
        {"-99999999999", "-2147483648"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WriteRefreshRateXml(tool.Path(), RefreshRateMilliseconds(ParseIntSaturated(c.secondsText))),
                  RefreshRateXmlResult::Written);
        EXPECT_EQ(ReadWholeFile(tool.DataFile("refreshRate.xml")), SampleFor(c.milliseconds)) << c.secondsText;
    }
}

TEST(RefreshRateXml, HugeRateIsTheSameSaturatedValueInBothFiles)
{
    ToolDirectory tool;
    WriteSettings(tool.Path(), "1", {"10.0.0.5", RefreshRateMilliseconds(ParseIntSaturated("4294967296"))});
    EXPECT_EQ(ReadStoredValue(tool.Path(), kRefreshRateKey), "2147483647");
    EXPECT_EQ(ReadWholeFile(tool.DataFile("refreshRate.xml")), SampleFor("2147483647"));
}

TEST(RefreshRateXml, ReplacesALongerOldFileWhole)
{
    ToolDirectory tool;
    WriteWholeFile(tool.DataFile("refreshRate.xml"), std::string(4000, 'x'));
    EXPECT_EQ(WriteRefreshRateXml(tool.Path(), 30000), RefreshRateXmlResult::Written);
    EXPECT_EQ(ReadWholeFile(tool.DataFile("refreshRate.xml")), SampleFor("30000"));
    EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"), kOnlyRefreshRateXml);
}

TEST(RefreshRateXml, MissingDataFolderCreatesNothing)
{
    ToolDirectory tool;
    RemoveTree(tool.Path() + "\\http\\data");
    EXPECT_EQ(WriteRefreshRateXml(tool.Path(), 20000), RefreshRateXmlResult::NoDataFolder);
    EXPECT_FALSE(FileExists(tool.Path() + "\\http\\data"));
    EXPECT_TRUE(ListDirectory(tool.Path() + "\\http").empty());
}

TEST(RefreshRateXml, ReadOnlyFileKeepsItsOldContent)
{
    ToolDirectory tool;
    const std::string path = tool.DataFile("refreshRate.xml");
    WriteWholeFile(path, "old content");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_EQ(WriteRefreshRateXml(tool.Path(), 45000), RefreshRateXmlResult::Failed);

    EXPECT_EQ(ReadWholeFile(path), "old content");
    EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"), kOnlyRefreshRateXml);
}

TEST(RefreshRateXml, WriteFailingMidwayKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    ToolDirectory tool;
    const std::string path = tool.DataFile("refreshRate.xml");
    WriteWholeFile(path, SampleFor("20000"));
    const XmlTree document = NewRefreshRateDocument(45000);

    for (const std::size_t capacity :
         {std::size_t{0}, std::size_t{1}, std::size_t{60}, SampleFor("45000").size() - 1}) {
        const int written = XmlWriteFile(document.get(), path.c_str(), FailingAfter(capacity));
        EXPECT_EQ(written, 0) << capacity;
        EXPECT_EQ(ReadWholeFile(path), SampleFor("20000")) << capacity;
        EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"), kOnlyRefreshRateXml) << capacity;
    }

    // The same document through a writer with room for all of it replaces the file.
    const int written = XmlWriteFile(document.get(), path.c_str(), FailingAfter(SampleFor("45000").size()));
    EXPECT_EQ(written, 1);
    EXPECT_EQ(ReadWholeFile(path), SampleFor("45000"));
}

TEST(RefreshRateXml, WhatLiesAtTheOldTemporaryNameIsNeverTouched)
{
    // Anyone who may write into http\data can put something at a name known in advance;
    // a planted link there is the security suite's.
    ToolDirectory tool;
    const std::string path = tool.DataFile("refreshRate.xml");
    WriteWholeFile(path, SampleFor("30000"));
    ASSERT_TRUE(CreateDirectoryA((path + ".tmp").c_str(), nullptr));

    EXPECT_EQ(WriteRefreshRateXml(tool.Path(), 50000), RefreshRateXmlResult::Written);
    EXPECT_EQ(ReadWholeFile(path), SampleFor("50000"));
    EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"),
              (std::vector<std::string>{"refreshRate.xml", "refreshRate.xml.tmp"}));
}

TEST(RefreshRateXml, RewriteInPlaceFailingMidwayPutsTheOldBytesBack)
{
    // A reader that shares no deletion makes the move fail, so the content goes in place;
    // the writer lets the temporary copy through, then fails `extra` bytes into the rewrite.
    ToolDirectory tool;
    const std::string path = tool.DataFile("refreshRate.xml");
    const std::string newContent = SampleFor("45000");
    for (const std::string& old : {std::string(2000, 'o'), std::string("<o/>")}) {
        for (const std::size_t extra : {std::size_t{0}, std::size_t{1}, newContent.size() - 1}) {
            SCOPED_TRACE(std::to_string(old.size()) + " old bytes, failing after " + std::to_string(extra));
            WriteWholeFile(path, old);
            HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(reader, INVALID_HANDLE_VALUE);
            const XmlTree document = NewRefreshRateDocument(45000);
            const int written = XmlWriteFile(document.get(), path.c_str(), FailingAfter(newContent.size() + extra));
            CloseHandle(reader);

            EXPECT_EQ(written, 0);
            EXPECT_EQ(ReadWholeFile(path), old);
            EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"), kOnlyRefreshRateXml);
        }
    }
}

TEST(RefreshRateXml, DataFolderBeyond260CharactersIsWritten)
{
    ToolDirectory tool("tool", 300);
    EXPECT_EQ(WriteRefreshRateXml(tool.Path(), 45000), RefreshRateXmlResult::Written);
    EXPECT_EQ(ReadWholeFile(tool.DataFile("refreshRate.xml")), SampleFor("45000"));
    EXPECT_EQ(ListDirectory(tool.Path() + "\\http\\data"), kOnlyRefreshRateXml);
}
