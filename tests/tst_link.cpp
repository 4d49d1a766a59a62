// Reading the reader's own link addresses.
#include "format/Link.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
Q_DECLARE_METATYPE(Link::Kind)

class tst_link : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseLink_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<Link::Kind>("kind");
        QTest::addColumn<int>("index");
        QTest::newRow("first work") << u"http://www.t0/"_s << Link::Kind::Work << 0;
        QTest::newRow("thirteenth work") << u"http://www.t12/"_s << Link::Kind::Work << 12;
        QTest::newRow("no number") << u"http://www.t/"_s << Link::Kind::Work << 0;
        QTest::newRow("last character dropped") << u"http://www.t5"_s << Link::Kind::Work << 0;
        QTest::newRow("two digits unnormalised") << u"http://www.t57"_s << Link::Kind::Work << 5;
        QTest::newRow("blanks in the number") << u"http://www.t1 2/"_s << Link::Kind::Work << 12;
        QTest::newRow("half rounds to even") << u"http://www.t2.5/"_s << Link::Kind::Work << 2;
        QTest::newRow("rest not a number") << u"http://www.texample.org/"_s << Link::Kind::Work << 0;
        QTest::newRow("negative") << u"http://www.t-3/"_s << Link::Kind::Work << -3;
        QTest::newRow("too large") << u"http://www.t99999999999/"_s << Link::Kind::None << 0;
        QTest::newRow("too short for the number") << u"http://www.t"_s << Link::Kind::None << 0;
        QTest::newRow("biography") << u"http://www.b/"_s << Link::Kind::Biography << 0;
        QTest::newRow("catalogue") << u"http://www.s/"_s << Link::Kind::Catalogue << 0;
        QTest::newRow("any twelfth s") << u"https://ws.s"_s << Link::Kind::Catalogue << 0;
        QTest::newRow("any twelfth b") << u"http://www.bing.com/"_s << Link::Kind::Biography << 0;
        QTest::newRow("https shifts the letter") << u"https://www.b/"_s << Link::Kind::None << 0;
        QTest::newRow("upper-case kind") << u"http://www.B/"_s << Link::Kind::None << 0;
        QTest::newRow("upper-case work") << u"http://www.T0/"_s << Link::Kind::None << 0;
        QTest::newRow("short") << u"http://www."_s << Link::Kind::None << 0;
        QTest::newRow("empty") << u""_s << Link::Kind::None << 0;
        QTest::newRow("other letter") << u"http://www.x/"_s << Link::Kind::None << 0;
    }

    void parseLink()
    {
        QFETCH(QString, address);
        QFETCH(Link::Kind, kind);
        QFETCH(int, index);
        const Link link = ::parseLink(address);
        QCOMPARE(link.kind, kind);
        if (kind == Link::Kind::Work)
            QCOMPARE(link.index, index);
    }
};

QTEST_GUILESS_MAIN(tst_link)
#include "tst_link.moc"
