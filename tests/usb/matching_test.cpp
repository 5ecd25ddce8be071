// The candidate rule on bytes: QLV_USB_IDS, and the Microsoft OS descriptors a device answers
// with, well-formed, in their different spellings, and broken in the ways a device can break them.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "transport/libusb_matching.h"

namespace qlv::usb {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view guid = cameraInterfaceGuid;
constexpr std::string_view otherGuid = "{00000000-1111-2222-3333-444444444444}";

void append16(Bytes& out, std::size_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void append32(Bytes& out, std::size_t value) {
    append16(out, value & 0xFFFF);
    append16(out, (value >> 16) & 0xFFFF);
}

// UTF-16LE of `text`; a NUL inside `text` becomes a NUL unit.
Bytes utf16(std::string_view text) {
    Bytes out;
    for (char c : text) {
        append16(out, static_cast<std::uint8_t>(c));
    }
    return out;
}

std::string z(std::string_view text) {
    return std::string(text) + '\0';
}

// ---- QLV_USB_IDS ------------------------------------------------------------------------------

TEST(UsbIds, ParsesOneOrManyEntriesInEitherCase) {
    EXPECT_EQ(parseUsbIds("1209:0001"), (std::vector<UsbId>{{0x1209, 0x0001}}));
    EXPECT_EQ(parseUsbIds("abCD:Ef01,0000:ffff"),
              (std::vector<UsbId>{{0xABCD, 0xEF01}, {0x0000, 0xFFFF}}));
    EXPECT_EQ(parseUsbIds(""), std::vector<UsbId>{}) << "empty means no ids";
}

TEST(UsbIds, RefusesAnythingButTheExactPattern) {
    for (const char* text :
         {"1209:001", "1209:00011", "209:0001", "1209-0001", "12090001", "1209:0001,", ",1209:0001",
          "1209:0001,,abcd:0001", " 1209:0001", "1209:0001 ", "1209: 0001", "0x1209:0001",
          "12g9:0001", "1209:0001;abcd:0002", "1209:0001:0002", ":"}) {
        EXPECT_EQ(parseUsbIds(text), std::nullopt) << '"' << text << '"';
    }
}

// ---- MS OS 1.0 ------------------------------------------------------------------------------

TEST(MsOs10, VendorCodeComesFromTheSignedStringDescriptor) {
    const Bytes descriptor{0x12, 0x03, 'M', 0,   'S', 0,   'F', 0,    'T',
                           0,    '1',  0,   '0', 0,   '0', 0,   0x5C, 0};
    EXPECT_EQ(msOs10VendorCode(descriptor), 0x5C);

    Bytes otherSignature = descriptor;
    otherSignature[10] = '2';
    EXPECT_EQ(msOs10VendorCode(otherSignature), std::nullopt);
    Bytes notAString = descriptor;
    notAString[1] = 0x02;
    EXPECT_EQ(msOs10VendorCode(notAString), std::nullopt);
    EXPECT_EQ(msOs10VendorCode(Bytes(descriptor.begin(), descriptor.begin() + 17)), std::nullopt)
        << "the vendor code is cut off";
}

struct Property {
    std::uint32_t type;
    std::string name;  // without the terminating NUL
    std::string data;  // as stored, NULs included
};

Bytes extendedProperties(const std::vector<Property>& properties) {
    Bytes out;
    append32(out, 0);
    append16(out, 0x0100);
    append16(out, 5);
    append16(out, properties.size());
    for (const auto& property : properties) {
        const Bytes name = utf16(z(property.name));
        const Bytes data = utf16(property.data);
        append32(out, 14 + name.size() + data.size());
        append32(out, property.type);
        append16(out, name.size());
        out.insert(out.end(), name.begin(), name.end());
        append32(out, data.size());
        out.insert(out.end(), data.begin(), data.end());
    }
    out[0] = static_cast<std::uint8_t>(out.size() & 0xFF);
    out[1] = static_cast<std::uint8_t>(out.size() >> 8);
    return out;
}

TEST(MsOs10, ExtendedPropertiesNameTheGuidInEveryAcceptedSpelling) {
    EXPECT_TRUE(
        extendedPropertiesName(extendedProperties({{1, "DeviceInterfaceGUID", z(guid)}}), guid));
    EXPECT_TRUE(extendedPropertiesName(
        extendedProperties({{7, "DeviceInterfaceGUIDs", z(otherGuid) + z(guid) + '\0'}}), guid))
        << "second string of a multi-string";
    EXPECT_TRUE(extendedPropertiesName(
        extendedProperties(
            {{1, "deviceinterfaceguid", z("{766ccc40-c72e-434f-8b56-209ef2eddbbe}")}}),
        guid))
        << "names and GUIDs ignore case";
    EXPECT_TRUE(extendedPropertiesName(
        extendedProperties({{1, "Label", z("camera")}, {7, "DeviceInterfaceGUIDs", z(guid)}}),
        guid))
        << "a property after another one";
}

TEST(MsOs10, ExtendedPropertiesWithoutTheGuidDoNotMatch) {
    EXPECT_FALSE(extendedPropertiesName(
        extendedProperties({{1, "DeviceInterfaceGUID", z(otherGuid)}}), guid));
    EXPECT_FALSE(extendedPropertiesName(extendedProperties({{1, "Label", z(guid)}}), guid))
        << "the GUID under another name";
    EXPECT_FALSE(
        extendedPropertiesName(extendedProperties({{4, "DeviceInterfaceGUID", z(guid)}}), guid))
        << "not a string type";
    EXPECT_FALSE(extendedPropertiesName(
        extendedProperties({{1, "DeviceInterfaceGUID", z(std::string(guid).substr(1))}}), guid))
        << "without its brace";
    EXPECT_FALSE(extendedPropertiesName(extendedProperties({}), guid));
}

TEST(MsOs10, BrokenExtendedPropertiesAreRefusedWithoutReadingPastThem) {
    const Bytes good = extendedProperties({{1, "DeviceInterfaceGUID", z(guid)}});
    ASSERT_EQ(extendedPropertiesLength(good), good.size());

    Bytes wrongIndex = good;
    wrongIndex[6] = 4;
    EXPECT_EQ(extendedPropertiesLength(wrongIndex), std::nullopt);

    // Every cut of the descriptor is refused (the length checks keep the parser inside it).
    for (std::size_t length = 0; length < good.size(); ++length) {
        EXPECT_FALSE(extendedPropertiesName(Bytes(good.begin(), good.begin() + length), guid))
            << length;
    }
    Bytes sizeTooBig = good;
    sizeTooBig[10] = 0xFF;
    sizeTooBig[11] = 0xFF;
    EXPECT_FALSE(extendedPropertiesName(sizeTooBig, guid));
    Bytes nameTooLong = good;
    nameTooLong[18] = 0xF0;
    EXPECT_FALSE(extendedPropertiesName(nameTooLong, guid));
}

// ---- MS OS 2.0 ------------------------------------------------------------------------------

Bytes bosWith(std::initializer_list<std::tuple<std::uint32_t, std::uint16_t, std::uint8_t>> sets,
              bool msUuid = true) {
    Bytes capability{0,    0x10, 0x05, 0x00, 0xDF, 0x60, 0xDD, 0xD8, 0x89, 0x45,
                     0xC7, 0x4C, 0x9C, 0xD2, 0x65, 0x9D, 0x9E, 0x64, 0x8A, 0x9F};
    if (!msUuid) {
        capability[4] = 0x00;
    }
    for (const auto& [version, length, code] : sets) {
        append32(capability, version);
        append16(capability, length);
        capability.push_back(code);
        capability.push_back(0);
    }
    capability[0] = static_cast<std::uint8_t>(capability.size());
    // A container id capability first: a host has to walk past capabilities it does not want.
    Bytes bos{5, 0x0F, 0, 0, 2, 20, 0x10, 0x04, 0};
    bos.insert(bos.end(), 16, 0xAB);
    bos.insert(bos.end(), capability.begin(), capability.end());
    bos[2] = static_cast<std::uint8_t>(bos.size());
    return bos;
}

TEST(MsOs20, TheBosPlatformCapabilityTellsWhereTheSetIs) {
    const auto location = msOs20SetLocation(bosWith({{0x06030000, 0x00B2, 0x21}}));
    ASSERT_TRUE(location.has_value());
    EXPECT_EQ(location->vendorCode, 0x21);
    EXPECT_EQ(location->length, 0x00B2);

    const auto newest =
        msOs20SetLocation(bosWith({{0x06030000, 0x40, 0x21}, {0x0A000000, 0x50, 0x22}}));
    ASSERT_TRUE(newest.has_value());
    EXPECT_EQ(newest->vendorCode, 0x22) << "the set for the newest Windows version";

    EXPECT_EQ(msOs20SetLocation(bosWith({{0x06030000, 0x40, 0x21}}, false)), std::nullopt)
        << "another platform's capability";
    const Bytes bos = bosWith({{0x06030000, 0x40, 0x21}});
    for (std::size_t length = 0; length < bos.size(); ++length) {
        EXPECT_EQ(msOs20SetLocation(Bytes(bos.begin(), bos.begin() + length)), std::nullopt)
            << length;
    }
}

Bytes registryProperty(std::uint16_t type, std::string_view name, std::string_view data) {
    const Bytes nameBytes = utf16(z(name));
    const Bytes dataBytes = utf16(data);
    Bytes out;
    append16(out, 10 + nameBytes.size() + dataBytes.size());
    append16(out, 0x04);
    append16(out, type);
    append16(out, nameBytes.size());
    out.insert(out.end(), nameBytes.begin(), nameBytes.end());
    append16(out, dataBytes.size());
    out.insert(out.end(), dataBytes.begin(), dataBytes.end());
    return out;
}

Bytes descriptorSet(const std::vector<Bytes>& parts) {
    Bytes out{10, 0, 0, 0, 0x00, 0x00, 0x03, 0x06, 0, 0};
    for (const auto& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    out[8] = static_cast<std::uint8_t>(out.size() & 0xFF);
    out[9] = static_cast<std::uint8_t>(out.size() >> 8);
    return out;
}

Bytes functionSubset(std::uint8_t firstInterface, const Bytes& body) {
    Bytes out{8, 0, 0x02, 0, firstInterface, 0};
    append16(out, 8 + body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

TEST(MsOs20, ADeviceWidePropertyNamesTheGuid) {
    const Bytes compatibleId{20, 0, 0x03, 0, 'W', 'I', 'N', 'U', 'S', 'B',
                             0,  0, 0,    0, 0,   0,   0,   0,   0,   0};
    const auto match = descriptorSetNames(
        descriptorSet({compatibleId, registryProperty(7, "DeviceInterfaceGUIDs", z(guid) + '\0')}),
        guid);
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(match->firstInterface, std::nullopt);
}

TEST(MsOs20, APropertyInAFunctionSubsetBelongsToItsFirstInterface) {
    const Bytes other = functionSubset(0, registryProperty(1, "DeviceInterfaceGUID", z(otherGuid)));
    const Bytes camera = functionSubset(2, registryProperty(1, "DeviceInterfaceGUID", z(guid)));
    const auto match = descriptorSetNames(descriptorSet({other, camera}), guid);
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(match->firstInterface, 2);

    const auto after = descriptorSetNames(
        descriptorSet({other, registryProperty(1, "DeviceInterfaceGUID", z(guid))}), guid);
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->firstInterface, std::nullopt) << "past the end of the function subset";
}

TEST(MsOs20, SetsWithoutTheGuidOrBrokenSetsDoNotMatch) {
    EXPECT_EQ(descriptorSetNames(
                  descriptorSet({registryProperty(1, "DeviceInterfaceGUID", z(otherGuid))}), guid),
              std::nullopt);
    const Bytes good = descriptorSet({registryProperty(1, "DeviceInterfaceGUID", z(guid))});
    Bytes notASet = good;
    notASet[2] = 0x01;
    EXPECT_EQ(descriptorSetNames(notASet, guid), std::nullopt);
    for (std::size_t length = 0; length < good.size(); ++length) {
        EXPECT_EQ(descriptorSetNames(Bytes(good.begin(), good.begin() + length), guid),
                  std::nullopt)
            << length;
    }
    Bytes lyingLength = good;
    lyingLength[10] = 0xFF;  // the property claims more bytes than the set has
    EXPECT_EQ(descriptorSetNames(lyingLength, guid), std::nullopt);
}

}  // namespace
}  // namespace qlv::usb
