// Decoding the camera's stored defaults and the blocks built into the viewer.
#include <QTest>

#include "camera/newest_slot.h"
#include "camera/register_block.h"

#include <virtual_camera/virtual_camera.h>

using viewer::CameraDefaults;
using viewer::RegisterBlock;

class RegisterBlockTest : public QObject {
    Q_OBJECT

private slots:
    // A new camera holds the viewer's built-in blocks for mode 1: two independent encodings of
    // the same table.
    void builtInBlocksMatchTheCamerasFactoryBlocks() {
        const vcam::VirtualCamera camera;
        for (int resolution : {0, 1}) {
            const auto stored =
                camera.eeprom(static_cast<std::size_t>(viewer::registerBlockAddress(1, resolution)),
                              viewer::kRegisterBlockBytes);
            const RegisterBlock& builtIn = viewer::builtInRegisterBlock(resolution);
            QVERIFY(std::equal(builtIn.begin(), builtIn.end(), stored.begin(), stored.end()));
        }
        const RegisterBlock& block = viewer::builtInRegisterBlock(0);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(block.data()), 4), QByteArray("QLV0"));
        QCOMPARE(block[4], 0x01);
        QCOMPARE(block[7], 0x1E);
        QCOMPARE(block[92], 0x82);
        QCOMPARE(block[93], 0x20);
    }

    void builtInDefaults_data() {
        QTest::addColumn<int>("resolution");
        QTest::addColumn<int>("exposure");
        QTest::newRow("640") << 0 << 805;
        QTest::newRow("1280") << 1 << 537;
    }
    void builtInDefaults() {
        QFETCH(int, resolution);
        QFETCH(int, exposure);
        const CameraDefaults d = viewer::defaultsOf(viewer::builtInRegisterBlock(resolution));
        QCOMPARE(d, (CameraDefaults{74, 0, -42, exposure, 32, 1, 2}));
        QVERIFY(viewer::isValidRegisterBlock(viewer::builtInRegisterBlock(resolution)));
    }

    void contrastAndFactorEncodings_data() {
        QTest::addColumn<int>("reg13B");
        QTest::addColumn<int>("reg13C");
        QTest::addColumn<int>("contrast");
        QTest::newRow("0x13B negative") << 0x042A << 0x0400 << -42;
        QTest::newRow("0x13B zero, 0x13C positive") << 0x0400 << 0x0410 << 16;
        QTest::newRow("largest magnitude") << 0x03FF << 0 << -1023;
        QTest::newRow("both zero") << 0 << 0 << 0;
    }
    void contrastAndFactorEncodings() {
        QFETCH(int, reg13B);
        QFETCH(int, reg13C);
        QFETCH(int, contrast);
        RegisterBlock block = viewer::builtInRegisterBlock(0);
        block[26] = static_cast<std::uint8_t>(reg13B >> 8);
        block[27] = static_cast<std::uint8_t>(reg13B);
        block[30] = static_cast<std::uint8_t>(reg13C >> 8);
        block[31] = static_cast<std::uint8_t>(reg13C);
        QCOMPARE(viewer::defaultsOf(block).contrast, contrast);
    }

    void exposureFactor() {
        RegisterBlock block = viewer::builtInRegisterBlock(0);
        block[14] = 0x00;
        block[15] = 0xC8;
        const int factor = viewer::defaultsOf(block).exposureFactor;
        QCOMPARE(factor, 0x90);
        QCOMPARE(viewer::encodeExposureFactor(factor), 0xC8);
        // Without bit 7 the word is the factor and goes out as it is.
        block[14] = 0x01;
        block[15] = 0x20;
        QCOMPARE(viewer::defaultsOf(block).exposureFactor, 0x120);
        QCOMPARE(viewer::encodeExposureFactor(0x20), 0x20);
    }

    void hueAeAndFlickerFields() {
        RegisterBlock block = viewer::builtInRegisterBlock(1);
        block[118] = 0x85;  // -123, least significant byte first
        block[119] = 0xFF;
        block[6] &= static_cast<std::uint8_t>(~0x40);
        block[91] = 3;
        block[87] = 200;
        const CameraDefaults d = viewer::defaultsOf(block);
        QCOMPARE(d.hue, -123);
        QCOMPARE(d.ae, 0);
        QCOMPARE(d.flicker, 3);
        QCOMPARE(d.brightness, 200);
    }

    void validity() {
        RegisterBlock block = viewer::builtInRegisterBlock(0);
        block[117] = 0x02;
        QVERIFY(!viewer::isValidRegisterBlock(block));
        block = viewer::builtInRegisterBlock(0);
        block[3] = '1';
        QVERIFY(!viewer::isValidRegisterBlock(block));
        QVERIFY(!viewer::isValidRegisterBlock(RegisterBlock{}));
    }

    void addresses() {
        QCOMPARE(viewer::registerBlockAddress(1, 0), 0x2000);
        QCOMPARE(viewer::registerBlockAddress(3, 0), 0x2400);
        QCOMPARE(viewer::registerBlockAddress(1, 1), 0x2600);
        QCOMPARE(viewer::registerBlockAddress(3, 1), 0x2A00);
    }

    void newestSlot() {
        QCOMPARE(viewer::newestSlot(1), 0);
        QCOMPARE(viewer::newestSlot(5), 4);
        QCOMPARE(viewer::newestSlot(6), 0);
        QCOMPARE(viewer::newestSlot(0), 4);
        QCOMPARE(viewer::newestSlot(INT32_MAX), (INT32_MAX - 1) % 5);
    }
};

QTEST_GUILESS_MAIN(RegisterBlockTest)
#include "register_block_test.moc"
