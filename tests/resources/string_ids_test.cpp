// The string-table ids the code uses: the generated header and the table the
// program carries agree, and the sources name entries only through the
// header, never by a bare number.
#include "platform/messages.h"
#include "platform/stringtable.h"

#include <gtest/gtest.h>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace brindle {
namespace {

TEST(StringIds, HeaderAndShippedTableAgree) {
    const StringTable& table = programStrings();
    ASSERT_TRUE(table.errors().isEmpty()) << table.errors().join("\n").toStdString();
    for (const auto& [name, number] : str::kStringIds) {
        EXPECT_EQ(table.number(QLatin1String(name)), number) << name;
        EXPECT_FALSE(table.text(number).isEmpty()) << name;
    }
    EXPECT_EQ(table.nameCount(), qsizetype(std::size(str::kStringIds)))
        << "every named entry has its constant";
    EXPECT_EQ(table.nameCount(), table.size()) << "every entry of the program's table is named";
}

// Every program source (the tests aside, which pin texts by their numbers):
// str::Name must name an entry, and the message and string calls take no
// number literal.
TEST(StringIds, SourcesNameEveryEntryThroughTheHeader) {
    QSet<QString> names;
    for (const auto& [name, number] : str::kStringIds) {
        names.insert(QLatin1String(name));
    }
    const QRegularExpression used(QStringLiteral(R"(\bstr::(\w+))"));
    const QRegularExpression bare(QStringLiteral(R"(\b(LoadResString|MsgBox|MsgBoxText)\(\s*\d)"));
    int files = 0;
    for (const char* folder :
         {"app", "platform", "components", "controls", "player", "plugin", "bench"}) {
        QDirIterator it(QStringLiteral(BRINDLE_SOURCE_DIR "/") + folder,
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
            const QString text = QString::fromUtf8(file.readAll());
            ++files;
            for (auto m = used.globalMatch(text); m.hasNext();) {
                const QString name = m.next().captured(1);
                EXPECT_TRUE(names.contains(name))
                    << path.toStdString() << ": str::" << name.toStdString();
            }
            const QRegularExpressionMatch number = bare.match(text);
            EXPECT_FALSE(number.hasMatch())
                << path.toStdString() << ": " << number.captured(0).toStdString();
        }
    }
    EXPECT_GT(files, 100);
}

}  // namespace
}  // namespace brindle
