// The main window's caption.
#include "core/session/windowcaption.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowCaption, TheCaptionNamesTheTubeAndIsTheOldOneForThe807) {
    EXPECT_EQ(valvescope::WindowCaption("807"), " Valvescope for the 807            Kestrelon");
    EXPECT_EQ(valvescope::WindowCaption("ECC82 (fitted)"),
              " Valvescope for the ECC82 (fitted)            Kestrelon");
}

} // namespace
