#include <guestproto/MiscDecoder.h>

#include <guestproto/WireCodes.h>

namespace guest {

namespace {

bool hostSendsCode(std::int32_t code)
{
    return code == misc::kShake || code == misc::kEngine || code == misc::kGps ||
           code == misc::kInstall;
}

} // namespace

MiscDecoder::Step MiscDecoder::decodeOne(ByteReader &reader, MiscMessage &out)
{
    std::int32_t code = 0;
    if (!reader.i32(code))
        return Step::NeedMore;
    if (!hostSendsCode(code))
        return fail(DecodeError::UnknownCode, "unknown misc code " + std::to_string(code));
    std::int32_t sub = 0;
    if (!reader.i32(sub))
        return Step::NeedMore;
    switch (code) {
    case misc::kShake:
        if (sub != misc::kShakeGesture)
            return unknownSub(code, sub);
        out = Shake{};
        return Step::Decoded;
    case misc::kEngine:
        return decodeEngine(reader, sub, out);
    case misc::kGps:
        return decodeGps(reader, sub, out);
    default:
        return decodeInstall(reader, sub, out);
    }
}

MiscDecoder::Step MiscDecoder::decodeEngine(ByteReader &reader, std::int32_t sub, MiscMessage &out)
{
    if (sub == misc::kEngineShowEditor) {
        out = ShowEngineEditor{};
        return Step::Decoded;
    }
    if (sub != misc::kEngineEnable)
        return unknownSub(misc::kEngine, sub);
    std::int32_t enabled = 0;
    if (!reader.i32(enabled))
        return Step::NeedMore;
    out = EngineEnable{enabled};
    return Step::Decoded;
}

MiscDecoder::Step MiscDecoder::decodeGps(ByteReader &reader, std::int32_t sub, MiscMessage &out)
{
    if (sub == misc::kGpsOn || sub == misc::kGpsOff) {
        out = GpsEnable{sub == misc::kGpsOn};
        return Step::Decoded;
    }
    if (sub != misc::kGpsFix)
        return unknownSub(misc::kGps, sub);
    GpsFix fix;
    const Step step = readText(reader, kGpsTextMax, "GPS fix text", fix.text);
    if (step == Step::Decoded)
        out = std::move(fix);
    return step;
}

MiscDecoder::Step MiscDecoder::decodeInstall(ByteReader &reader, std::int32_t sub,
                                             MiscMessage &out)
{
    if (sub != misc::kInstallRequest)
        return unknownSub(misc::kInstall, sub);
    InstallRequest request;
    const Step step = readText(reader, kFileNameMax, "install file name", request.file);
    if (step == Step::Decoded)
        out = std::move(request);
    return step;
}

MiscDecoder::Step MiscDecoder::unknownSub(std::int32_t code, std::int32_t sub)
{
    return fail(DecodeError::UnknownSubCommand,
                "unknown sub-command " + std::to_string(sub) + " of misc code " + std::to_string(code));
}

} // namespace guest
