#include "tools/runner/bot/bot.h"

bool Bot::Prepare(std::string&) {
    return true;
}

void Bot::NextFrame(long, FrameInput&) {}

std::string Bot::Report() const {
    return {};
}
