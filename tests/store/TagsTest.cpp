// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Tags.h"
#include "TestSupport.h"
#include "platform/Xattr.h"

#include <QProcess>

namespace {

class TagsTest : public testing::Test {
protected:
    QString file(const QString& name) { return testenv::writeFile(m_folder + "/" + name); }

    QString m_folder = testenv::freshFolder("tags");
};

// Runs Python with the file and the tags' attribute name in `a`; its output.
QString python(const QString& script, const QString& path)
{
    QProcess process;
    process.start("python3", {"-c", "import plistlib,os,sys; a=sys.argv[1:]; " + script, path,
                              tags::attributeName});
    EXPECT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

// What cannot be read counts as untagged and is not rewritten, nor is a
// symbolic link followed, whichever end holds a tag.
TEST_F(TagsTest, TagsAreSharedWithOtherProgramsAndWhatCannotBeReadIsNeverRewritten)
{
    const QString garbage = file("garbage");
    ASSERT_TRUE(xattr::set(garbage, tags::attributeName, "not a property list"));
    EXPECT_TRUE(tags::readTags(garbage).isEmpty());
    tags::removeTag(garbage);
    EXPECT_EQ(xattr::get(garbage, tags::attributeName), QByteArray("not a property list"));
    const QString plain = file("plain");
    tags::removeTag(plain);
    EXPECT_FALSE(xattr::get(plain, tags::attributeName));
    tags::removeTag(QString()); // nothing to act on, and no crash
    tags::addTag(QString());
    // A property list whose array holds something other than strings.
    const QString numbers = file("numbers");
    python("os.setxattr(*a, plistlib.dumps([1, 2], fmt=plistlib.FMT_BINARY))", numbers);
    EXPECT_TRUE(tags::readTags(numbers).isEmpty());
    // A tag holding a NUL cannot be written back whole: the list stays as it was.
    const QString nul = file("nul");
    const QByteArray withNul("<plist><array><string>W\0ork</string></array></plist>", 52);
    ASSERT_TRUE(xattr::set(nul, tags::attributeName, withNul));
    tags::addTag(nul);
    EXPECT_EQ(xattr::get(nul, tags::attributeName), withNul);
    const QString link = m_folder + "/link";
    ASSERT_TRUE(QFile::link(plain, link));
    tags::addTag(link);
    EXPECT_TRUE(tags::readTags(link).isEmpty());
    EXPECT_FALSE(xattr::get(plain, tags::attributeName));
    tags::addTag(plain);
    EXPECT_TRUE(tags::readTags(link).isEmpty());
    // Tags interoperate with Python's plistlib and the XDG mirror, which keeps
    // other tags in order and is trimmed on reading.
    const QString path = file("mirror");
    ASSERT_TRUE(xattr::set(path, tags::xdgAttributeName, " work , ,home"));
    EXPECT_EQ(tags::readXdgTags(path), (QStringList{"work", "home"}));
    tags::addTag(path);
    EXPECT_EQ(xattr::get(path, tags::xdgAttributeName), QByteArray("work,home,Vantle: Temporary"));
    tags::addTag(path);
    EXPECT_EQ(tags::readXdgTags(path).count(tags::programTagName), 1);
    tags::removeTag(path);
    EXPECT_EQ(xattr::get(path, tags::xdgAttributeName), QByteArray("work,home"));
    const QStringList ours{"Blue\n4", tags::programTag, QString::fromUtf8("Énfasis ✓")};
    const QString written = file("written-by-us");
    tags::writeTags(written, ours);
    EXPECT_EQ(python("v = os.getxattr(*a); assert v.startswith(b'bplist00'); "
                     "sys.stdout.buffer.write('|'.join(plistlib.loads(v)).encode())",
                     written),
              ours.join('|'));
    const QString theirs = file("written-by-python");
    python("os.setxattr(*a, plistlib.dumps(['Green\\n2', 'Vantle: Temporary\\n7', 'Ünïcode', "
           "'Vantle: Older\\n3'], fmt=plistlib.FMT_BINARY))",
           theirs);
    EXPECT_EQ(tags::readTags(theirs),
              (QStringList{"Green\n2", tags::programTag, QString::fromUtf8("Ünïcode"),
                           "Vantle: Older\n3"}));
    // Every tag of ours goes, the others stay.
    tags::removeTag(theirs);
    EXPECT_EQ(tags::readTags(theirs), (QStringList{"Green\n2", QString::fromUtf8("Ünïcode")}));
}
