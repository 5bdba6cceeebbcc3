#include "game/autopilot.h"

#include <cmath>

#include "labyrinth/route.h"

namespace {

const double RADIANS_TO_DEGREES = 57.2957795131;
// The mouse's travel carries the turn: a quarter degree a pixel keeps the
// turns fine-grained and the numbers whole.
const double AUTOPILOT_DEGREES_PER_PIXEL = 0.25;
// Walking on while the heading is this far off lets the turn at a corner run
// into the walk instead of stopping for it.
const double WALK_WHILE_TURNING_DEGREES = 50.0;
// A cell counts as reached this near its middle: the next one is aimed at
// before the corner is quite met, which rounds it off.
const double REACHED_CELLS = 0.45;
// Ticks without coming nearer the cell aimed at before the plan gives up.
const uint32_t STUCK_TICKS = 200;
// A longer route is walked this far: an attract mode, not a journey.
const uint32_t MAX_ROUTE_CELLS = 100000;

double Wrapped(double degrees)
{
    degrees = std::fmod(degrees, 360.0);
    if (degrees > 180.0) degrees -= 360.0;
    if (degrees <= -180.0) degrees += 360.0;
    return degrees;
}

}  // namespace

bool PlanAutopilot(const Labyrinth& labyrinth, const Player& start, uint32_t maxTicks,
                   std::vector<TickInput>& ticks)
{
    ticks.clear();
    std::vector<RouteCell> route;
    if (!RouteToGoal(labyrinth, CellOfCoordinate(start.playerZ), CellOfCoordinate(start.playerX), MAX_ROUTE_CELLS,
                     route))
        return false;
    Player player = start;
    size_t aim = 0;
    double nearest = 1e30;
    uint32_t sinceNearer = 0;
    bool stuck = false;
    while (ticks.size() < maxTicks && !ReachedGoal(player, labyrinth) && aim < route.size()) {
        const double dx = double(route[aim].column) - double(player.playerX);
        const double dz = double(route[aim].row) - double(player.playerZ);
        const double distance = std::hypot(dx, dz);
        if (aim + 1 < route.size() && distance < REACHED_CELLS) {
            aim += 1;
            nearest = 1e30;
            continue;
        }
        if (distance < nearest - 1e-6) {
            nearest = distance;
            sinceNearer = 0;
        } else if (++sinceNearer > STUCK_TICKS) {
            stuck = true;
            break;
        }
        // Forward walks along (-sin yaw, -cos yaw) in (x, z).
        const double wanted = std::atan2(-dx, -dz) * RADIANS_TO_DEGREES;
        double turn = Wrapped(wanted - double(player.yaw));
        if (turn > AUTOPILOT_TURN_DEGREES) turn = AUTOPILOT_TURN_DEGREES;
        if (turn < -AUTOPILOT_TURN_DEGREES) turn = -AUTOPILOT_TURN_DEGREES;
        TickInput input = {0, 0, 0, AUTOPILOT_DEGREES_PER_PIXEL};
        // The look turns the other way to the mouse: yaw grows to the left.
        input.mouseDx = int32_t(std::lround(-turn / AUTOPILOT_DEGREES_PER_PIXEL));
        // A tick walks before it looks, so the walk follows the heading it begins with.
        if (std::fabs(Wrapped(wanted - double(player.yaw))) < WALK_WHILE_TURNING_DEGREES)
            input.actions = 1u << ACTION_FORWARD;
        RunTick(player, labyrinth, input);
        ticks.push_back(input);
    }
    // Out of ticks on a long route it walks what it has; lost, it walks nothing.
    if (stuck) ticks.clear();
    return !stuck;
}
