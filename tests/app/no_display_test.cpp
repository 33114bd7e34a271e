// The game started where no display exists ends at once with one clear line and status 1.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

TEST(GameWithoutDisplay, EndsWithAClearErrorAndStatusOne) {
    const std::string command = "cd '" OVREL_OUTPUT_DIR "' && env -u DISPLAY -u WAYLAND_DISPLAY "
                                "-u SDL_VIDEODRIVER timeout 20 ./ovrel 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        output += buffer.data();
    }
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << output;
    EXPECT_NE(output.find("ovrel: "), std::string::npos) << output;
    EXPECT_NE(output.find("no display"), std::string::npos) << output;
    EXPECT_EQ(output.find('\n'), output.size() - 1) << "one line only: " << output;
}
