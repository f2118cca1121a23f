#include "calc/rel_to_roof.h"

#include "common/format.h"
#include "common/numbers.h"

#include <cmath>
#include <limits>
#include <optional>

namespace rv::calc {

namespace {

const QString kPicture = QStringLiteral("##0.00");

QString boxName(const char* array, int k)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(k);
}

// The recess and the head are single-precision values: the float rounding
// they carry shows in the positions derived from them.
std::optional<float> toSingle(const QString& text)
{
    const auto v = toNumber(text);
    if (!v || std::fabs(*v) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(*v);
}

} // namespace

RelToRoofResult CalcReltoRoof(const RelToRoofInput& in)
{
    RelToRoofResult out;

    const auto channels = toNumber(in.numChannels);
    if (!channels || *channels != std::floor(*channels) || std::fabs(*channels) > 32767) {
        out.failedInput = QStringLiteral("NumChannels");
        return out;
    }
    const int n = int(*channels);
    const auto recess = toSingle(in.recess);
    if (!recess) {
        out.failedInput = QStringLiteral("txtRecess");
        return out;
    }
    const double r = double(*recess);

    // From here on the outputs have been cleared; a failure leaves those
    // written so far and the rest empty.
    out.touched = true;

    auto fill = [&](auto position) -> bool {
        for (int k = 1; k <= n + 1; ++k) {
            const auto node = k <= 6 ? toNumber(in.nodes[size_t(k)]) : std::nullopt;
            if (!node) {
                out.failedInput = boxName("txtNode", k);
                return false;
            }
            out.anchors[size_t(k)] = Format(position(*node), kPicture);
        }
        for (int k = 1; k <= n; ++k) {
            const auto centre = k <= 5 ? toNumber(in.centres[size_t(k)]) : std::nullopt;
            if (!centre) {
                out.failedInput = boxName("txtSGCenter", k);
                return false;
            }
            out.centres[size_t(k)] = Format(position(*centre), kPicture);
        }
        return true;
    };

    if (in.headAtCollar) {
        out.head = Format(in.recess, kPicture);
        out.ok = fill([r](double distance) { return distance + r; });
        return out;
    }

    const auto length = toNumber(in.lengthOfCable);
    if (!length) {
        out.failedInput = QStringLiteral("txtLengthofCable");
        return out;
    }
    out.head = Format(*length - r, kPicture);
    // The head as shown, read back in single precision.
    const auto headShown = toSingle(out.head);
    if (!headShown) {
        out.failedInput = QStringLiteral("txtHead");
        return out;
    }
    const double h = double(*headShown);
    out.ok = fill([h](double distance) { return h - distance; });
    return out;
}

} // namespace rv::calc
