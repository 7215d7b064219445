#include "client/devices/indi/indi_prog_id.h"

#include <gtest/gtest.h>

namespace velmora::client::indi {
namespace {

TEST(IndiProgId, ParsesAndFormatsTheThreeTypesWithNamesThatHoldSeparators)
{
    const auto camera = parseIndiProgId("INDI.Camera:CCD Simulator@127.0.0.1:7624");
    ASSERT_TRUE(camera);
    EXPECT_EQ(camera->type, IndiDeviceType::Camera);
    EXPECT_EQ(camera->device, "CCD Simulator");
    EXPECT_EQ(camera->server, (IndiServerAddress{"127.0.0.1", 7624}));
    EXPECT_EQ(formatIndiProgId(*camera), "INDI.Camera:CCD Simulator@127.0.0.1:7624");

    // Device names may hold ':' and '@'; the server is after the last '@'.
    const auto odd = parseIndiProgId("indi.telescope:EQMod Mount: A@home@observatory.local:7625");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->type, IndiDeviceType::Telescope);
    EXPECT_EQ(odd->device, "EQMod Mount: A@home");
    EXPECT_EQ(odd->server, (IndiServerAddress{"observatory.local", 7625}));
    EXPECT_EQ(parseIndiProgId(formatIndiProgId(*odd))->device, odd->device);

    const auto focuser = parseIndiProgId("INDI.Focuser:Focuser Simulator@::1:7624");
    ASSERT_TRUE(focuser);
    EXPECT_EQ(focuser->server.host, "::1");
}

TEST(IndiProgId, MalformedIdentifiersAreRefusedButStillRecognisedAsIndi)
{
    for (const char* bad :
         {"INDI.", "INDI.Camera", "INDI.Camera:CCD", "INDI.Camera:@host:7624", "INDI.Dome:Dome@host:7624",
          "INDI.Camera:CCD@:7624", "INDI.Camera:CCD@host", "INDI.Camera:CCD@host:0",
          "INDI.Camera:CCD@host:65536", "INDI.Camera:CCD@host:76x4", "INDI.Camera:CCD@host:-1",
          "INDI.Camera:C\nCD@host:7624"}) {
        SCOPED_TRACE(bad);
        EXPECT_TRUE(looksLikeIndiProgId(bad));
        EXPECT_FALSE(parseIndiProgId(bad));
    }
    EXPECT_FALSE(looksLikeIndiProgId("VelmoraServer.Camera"));
    EXPECT_FALSE(looksLikeIndiProgId("IND"));
    EXPECT_EQ(deviceTypeFromName("FOCUSER"), IndiDeviceType::Focuser);
    EXPECT_FALSE(deviceTypeFromName("Rotator"));
}

} // namespace
} // namespace velmora::client::indi
