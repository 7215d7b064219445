#include "server/frame/interface_members.h"

namespace velmora::server {

using automation::MemberInfo;
using automation::MemberKind;
using automation::ParamDesc;
using automation::TypeDesc;

namespace {

const TypeDesc kShort{VT_I2};
const TypeDesc kLong{VT_I4};
const TypeDesc kDouble{VT_R8};
const TypeDesc kBool{VT_BOOL};
const TypeDesc kString{VT_BSTR};
const TypeDesc kDate{VT_DATE};
const TypeDesc kVariant{VT_VARIANT};
const TypeDesc kHyper{VT_I8};
const TypeDesc kLongArray{static_cast<VARTYPE>(VT_ARRAY | VT_I4)};
const TypeDesc kVariantArray{static_cast<VARTYPE>(VT_ARRAY | VT_VARIANT)};
const TypeDesc kCameraStates{VT_I4, "CameraStates"};
const TypeDesc kGuideDirections{VT_I4, "GuideDirections"};
const TypeDesc kAlignmentModes{VT_I4, "AlignmentModes"};
const TypeDesc kEquatorialType{VT_I4, "EquatorialCoordinateType"};
const TypeDesc kPierSide{VT_I4, "PierSide"};
const TypeDesc kDriveRates{VT_I4, "DriveRates"};
const TypeDesc kTelescopeAxes{VT_I4, "TelescopeAxes"};

MemberInfo get(const char* name, DISPID id, const TypeDesc& type)
{
    return {name, id, MemberKind::PropertyGet, {}, type, std::string("property ") + name};
}

MemberInfo put(const char* name, DISPID id, const TypeDesc& type)
{
    return {name, id, MemberKind::PropertyPut, {{"", type}}, {}, std::string("property ") + name};
}

MemberInfo method(const char* name, DISPID id, std::vector<ParamDesc> params = {},
                  const TypeDesc& result = {})
{
    return {name, id, MemberKind::Method, std::move(params), result, std::string("method ") + name};
}

// A read-write property: get, then put, on one DISPID.
void both(std::vector<MemberInfo>& out, const char* name, DISPID id, const TypeDesc& type)
{
    out.push_back(get(name, id, type));
    out.push_back(put(name, id, type));
}

std::vector<MemberInfo> makeCameraMembers()
{
    std::vector<MemberInfo> m;
    both(m, "BinX", 1, kShort);
    both(m, "BinY", 2, kShort);
    m.push_back(get("CameraState", 3, kCameraStates));
    m.push_back(get("CameraXSize", 4, kLong));
    m.push_back(get("CameraYSize", 5, kLong));
    m.push_back(get("CanAbortExposure", 6, kBool));
    m.push_back(get("CanAsymmetricBin", 7, kBool));
    m.push_back(get("CanPulseGuide", 8, kBool));
    m.push_back(get("CanSetCCDTemperature", 9, kBool));
    m.push_back(get("CanStopExposure", 10, kBool));
    m.push_back(get("CCDTemperature", 11, kDouble));
    both(m, "Connected", 12, kBool);
    both(m, "CoolerOn", 13, kBool);
    m.push_back(get("CoolerPower", 14, kDouble));
    m.push_back(get("Description", 15, kString));
    m.push_back(get("ElecronsPerADU", 16, kDouble));
    m.push_back(get("FullWellCapacity", 17, kDouble));
    m.push_back(get("HasShutter", 18, kBool));
    m.push_back(get("HeatSinkTemperature", 19, kDouble));
    m.push_back(get("ImageArray", 20, kLongArray));
    m.push_back(get("ImageArrayVariant", 21, kVariantArray));
    m.push_back(get("ImageReady", 22, kBool));
    m.push_back(get("LastError", 23, kString));
    m.push_back(get("LastExposureDuration", 24, kDouble));
    m.push_back(get("LastExposureStartTime", 25, kString));
    m.push_back(get("MaxADU", 26, kLong));
    m.push_back(get("MaxBinX", 27, kShort));
    m.push_back(get("MaxBinY", 28, kShort));
    both(m, "NumX", 29, kLong);
    both(m, "NumY", 30, kLong);
    m.push_back(get("PixelSizeX", 31, kDouble));
    m.push_back(get("PixelSizeY", 32, kDouble));
    both(m, "SetCCDTemperature", 33, kDouble);
    both(m, "StartX", 34, kLong);
    both(m, "StartY", 35, kLong);
    m.push_back(method("AbortExposure", 36));
    m.push_back(method("PulseGuide", 37, {{"Direction", kGuideDirections}, {"Duration", kLong}}));
    m.push_back(method("SetupDialog", 38));
    m.push_back(method("StartExposure", 39, {{"Duration", kDouble}, {"Light", kBool}}, kBool));
    m.push_back(method("StopExposure", 40));
    m.push_back(method("GetRawBuffer", 41, {{"hWnd", kHyper}}));
    return m;
}

std::vector<MemberInfo> makeFocuserMembers()
{
    std::vector<MemberInfo> m;
    m.push_back(get("Absolute", 1, kBool));
    m.push_back(get("IsMoving", 2, kBool));
    both(m, "Link", 3, kBool);
    m.push_back(get("MaxIncrement", 4, kLong));
    m.push_back(get("MaxStep", 5, kLong));
    m.push_back(get("Position", 6, kLong));
    m.push_back(get("StepSize", 7, kDouble));
    both(m, "TempComp", 8, kBool);
    m.push_back(get("TempCompAvailable", 9, kBool));
    m.push_back(get("Temperature", 10, kDouble));
    m.push_back(method("Halt", 11));
    m.push_back(method("Move", 12, {{"Position", kLong}}));
    m.push_back(method("SetupDialog", 13));
    return m;
}

void addTelescopeProperties(std::vector<MemberInfo>& m)
{
    m.push_back(get("AlignmentMode", 1, kAlignmentModes));
    m.push_back(get("Altitude", 2, kDouble));
    m.push_back(get("ApertureArea", 3, kDouble));
    m.push_back(get("ApertureDiameter", 4, kDouble));
    m.push_back(get("AtHome", 5, kBool));
    m.push_back(get("AtPark", 6, kBool));
    m.push_back(get("Azimuth", 7, kDouble));
    const char* capabilities[] = {
        "CanFindHome",      "CanPark",    "CanPulseGuide",  "CanSetDeclinationRate",
        "CanSetGuideRates", "CanSetPark", "CanSetPierSide", "CanSetRightAscensionRate",
        "CanSetTracking",   "CanSlew",    "CanSlewAltAz",   "CanSlewAltAzAsync",
        "CanSlewAsync",     "CanSync",    "CanSyncAltAz",   "CanUnpark"};
    DISPID id = 8;
    for (const char* name : capabilities)
        m.push_back(get(name, id++, kBool));
    both(m, "Connected", 24, kBool);
    m.push_back(get("Declination", 25, kDouble));
    both(m, "DeclinationRate", 26, kDouble);
    m.push_back(get("Description", 27, kString));
    both(m, "DoesRefraction", 28, kBool);
    m.push_back(get("DriverInfo", 29, kString));
    m.push_back(get("DriverVersion", 30, kString));
    m.push_back(get("EquatorialSystem", 31, kEquatorialType));
    m.push_back(get("FocalLength", 32, kDouble));
    both(m, "GuideRateDeclination", 33, kDouble);
    both(m, "GuideRateRightAscension", 34, kDouble);
    m.push_back(get("InterfaceVersion", 35, kLong));
    m.push_back(get("IsPulseGuiding", 36, kBool));
    m.push_back(get("Name", 37, kString));
    m.push_back(get("RightAscension", 38, kDouble));
    both(m, "RightAscensionRate", 39, kDouble);
    both(m, "SideOfPier", 40, kPierSide);
    m.push_back(get("SiderealTime", 41, kDouble));
    both(m, "SiteElevation", 42, kDouble);
    both(m, "SiteLatitude", 43, kDouble);
    both(m, "SiteLongitude", 44, kDouble);
    m.push_back(get("Slewing", 45, kBool));
    both(m, "SlewSettleTime", 46, kLong);
    both(m, "TargetDeclination", 47, kDouble);
    both(m, "TargetRightAscension", 48, kDouble);
    both(m, "Tracking", 49, kBool);
    both(m, "TrackingRate", 50, kDriveRates);
    m.push_back(get("TrackingRates", 51, kVariant));
    both(m, "UTCDate", 52, kDate);
}

void addTelescopeMethods(std::vector<MemberInfo>& m)
{
    const std::vector<ParamDesc> command = {{"Command", kString}, {"Raw", kBool}};
    const std::vector<ParamDesc> equatorial = {{"RightAscension", kDouble}, {"Declination", kDouble}};
    const std::vector<ParamDesc> horizontal = {{"Azimuth", kDouble}, {"Altitude", kDouble}};
    m.push_back(method("AbortSlew", 53));
    m.push_back(method("AxisRates", 54, {{"Axes", kTelescopeAxes}}, kVariant));
    m.push_back(method("CanMoveAxis", 55, {{"Axis", kTelescopeAxes}}, kBool));
    m.push_back(method("CommandBlind", 56, command));
    m.push_back(method("CommandBool", 57, command, kBool));
    m.push_back(method("CommandString", 58, command, kString));
    m.push_back(method("DestinationSideOfPier", 59, equatorial, kPierSide));
    m.push_back(method("FindHome", 60));
    m.push_back(method("MoveAxis", 61, {{"Axis", kTelescopeAxes}, {"Rate", kDouble}}));
    m.push_back(method("Park", 62));
    m.push_back(method("PulseGuide", 63, {{"Direction", kGuideDirections}, {"Duration", kLong}}));
    m.push_back(method("SetPark", 64));
    m.push_back(method("SetupDialog", 65));
    m.push_back(method("SlewToAltAz", 66, horizontal));
    m.push_back(method("SlewToAltAzAsync", 67, horizontal));
    m.push_back(method("SlewToCoordinates", 68, equatorial));
    m.push_back(method("SlewToCoordinatesAsync", 69, equatorial));
    m.push_back(method("SlewToTarget", 70));
    m.push_back(method("SlewToTargetAsync", 71));
    m.push_back(method("SyncToAltAz", 72, horizontal));
    m.push_back(method("SyncToCoordinates", 73, equatorial));
    m.push_back(method("SyncToTarget", 74));
    m.push_back(method("Unpark", 75));
}

std::vector<MemberInfo> makeTelescopeMembers()
{
    std::vector<MemberInfo> m;
    addTelescopeProperties(m);
    addTelescopeMethods(m);
    return m;
}

} // namespace

const std::vector<MemberInfo>& cameraMembers()
{
    static const std::vector<MemberInfo> members = makeCameraMembers();
    return members;
}

const std::vector<MemberInfo>& focuserMembers()
{
    static const std::vector<MemberInfo> members = makeFocuserMembers();
    return members;
}

const std::vector<MemberInfo>& telescopeMembers()
{
    static const std::vector<MemberInfo> members = makeTelescopeMembers();
    return members;
}

const std::vector<Enumeration>& serverEnumerations()
{
    static const std::vector<Enumeration> enumerations = {
        {"CameraStates",
         "{742594C3-55D5-4DDA-A09A-1A8D98A3FBF8}",
         {{"CameraIdle", 0},
          {"CameraWaiting", 1},
          {"CameraExposing", 2},
          {"CameraReading", 3},
          {"CameraDownload", 4},
          {"CameraError", 5}}},
        {"GuideDirections",
         "{57FE4520-E4BB-4F66-A3B8-4635E387944E}",
         {{"guideNorth", 0}, {"guideSouth", 1}, {"guideEast", 2}, {"guideWest", 3}}},
        {"AlignmentModes",
         "{6D8159B1-98EC-4D4D-9609-5E95EBEBBD28}",
         {{"algAltAz", 0}, {"algPolar", 1}, {"algGermanPolar", 2}}},
        {"EquatorialCoordinateType",
         "{7AA77568-1FB6-4A8E-B70F-00593F5BE206}",
         {{"equOther", 0}, {"equLocalTopocentric", 1}, {"equJ2000", 2}, {"equJ2050", 3}, {"equB1950", 4}}},
        {"PierSide", "{0ACB5644-6463-4742-967A-A1242407265E}", {{"pierEast", 0}, {"pierWest", 1}}},
        {"DriveRates",
         "{5CE7C391-D12F-40A1-8B53-3304CA652ED4}",
         {{"driveSidereal", 0}, {"driveLunar", 1}, {"driveSolar", 2}, {"driveKing", 3}}},
        {"TelescopeAxes",
         "{EE3601FD-36C6-4201-BF10-BADAFDF97BF0}",
         {{"axisPrimary", 0}, {"axisSecondary", 1}, {"axisTertiary", 2}}},
    };
    return enumerations;
}

} // namespace velmora::server
