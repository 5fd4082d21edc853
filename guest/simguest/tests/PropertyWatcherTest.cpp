// Guest properties as the engine writes them: whole files renamed into
// place; each property that appears, changes or goes away is reported once.

#include "PropertyWatcher.h"
#include "Eventually.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

using Change = std::pair<std::string, std::optional<std::string>>;

void replaceFile(const QString &path, const simstate::Entries &entries)
{
    const QString temporary = path + QStringLiteral(".tmp");
    QFile file(temporary);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(simstate::formatEntries(entries)));
    file.close();
    ASSERT_EQ(
        ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()), 0);
}

TEST(PropertyWatcher, ReportsAppearingChangingAndVanishingProperties)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("properties"));
    std::vector<Change> changes;
    PropertyWatcher watcher(path,
                            [&](const std::string &name, const std::optional<std::string> &value) {
                                changes.emplace_back(name, value);
                            });
    watcher.start();
    EXPECT_TRUE(changes.empty()) << "no file yet";

    replaceFile(path, {{"tavenor.dpi", "240"}, {"tavenor.gles.addr", "127.0.0.1:5000"}});
    ASSERT_TRUE(eventually([&] { return changes.size() == 2; }));
    EXPECT_EQ(changes.at(0), Change("tavenor.dpi", "240"));
    EXPECT_EQ(changes.at(1), Change("tavenor.gles.addr", "127.0.0.1:5000"));

    changes.clear();
    replaceFile(
        path,
        {{"tavenor.dpi", "320"}, {"tavenor.gles.addr", "127.0.0.1:5000"}, {"x=y\nz", "a\\b"}});
    ASSERT_TRUE(eventually([&] { return changes.size() == 2; }));
    EXPECT_EQ(changes.at(0), Change("tavenor.dpi", "320"));
    EXPECT_EQ(changes.at(1), Change("x=y\nz", "a\\b")) << "names and values come back unescaped";
    EXPECT_EQ(watcher.current().at("tavenor.dpi"), "320");

    changes.clear();
    replaceFile(path, {{"tavenor.dpi", "320"}});
    ASSERT_TRUE(eventually([&] { return changes.size() == 2; }));
    EXPECT_EQ(changes.at(0), Change("tavenor.gles.addr", std::nullopt));
    EXPECT_EQ(changes.at(1), Change("x=y\nz", std::nullopt));

    changes.clear();
    QFile::remove(path);
    ASSERT_TRUE(eventually([&] { return changes.size() == 1; }));
    EXPECT_EQ(changes.at(0), Change("tavenor.dpi", std::nullopt));
}

} // namespace
