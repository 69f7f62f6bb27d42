#include "app/editor/move_element.h"

#include "app/model/project.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace brindle {
namespace {

class MoveElementTest : public ::testing::Test {
protected:
    void SetUp() override {
        gProject.clear();
        for (int i = 1; i <= 5; ++i) {
            auto e = std::make_shared<MediaElement>();
            e->Caption = QString::number(i);
            e->Filename = QString("/work/image%1.jpg").arg(i);
            e->Thumbnail = QString("/work/image%1T.jpg").arg(i);
            gProject.insert(i, e);
        }
    }
    void TearDown() override { gProject.clear(); }

    // The slides in list order, by their original numbers.
    static std::vector<int> order() {
        std::vector<int> out;
        for (const auto& e : gProject) {
            out.push_back(e->Caption.toInt());
        }
        return out;
    }
};

TEST_F(MoveElementTest, SlideEndsAtTargetWhateverTheDirection) {
    struct Case {
        int from, to;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {2, 4, {1, 3, 4, 2, 5}},  // forward
        {5, 2, {1, 5, 2, 3, 4}},  // backward
        {2, 5, {1, 3, 4, 5, 2}},  // onto the last position
        {1, 1, {1, 2, 3, 4, 5}},  // onto itself
    };
    for (const Case& c : cases) {
        SetUp();
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
        EXPECT_TRUE(moveElement(c.from, c.to));
        EXPECT_EQ(order(), c.expected);
    }
}

TEST_F(MoveElementTest, MovedRecordKeepsItsFieldsAndIdentity) {
    MediaElement* moved = gProject.Item(2);
    ASSERT_TRUE(moveElement(2, 4));
    EXPECT_EQ(gProject.Item(4), moved);
    EXPECT_EQ(moved->Filename, "/work/image2.jpg");
    EXPECT_EQ(moved->Thumbnail, "/work/image2T.jpg");
    EXPECT_EQ(gProject.count(), 5);
}

TEST_F(MoveElementTest, PositionsOutsideTheListChangeNothing) {
    for (auto [from, to] : {std::pair{0, 2}, {2, 0}, {6, 1}, {1, 6}, {-1, 3}}) {
        EXPECT_FALSE(moveElement(from, to)) << from << " -> " << to;
    }
    EXPECT_EQ(order(), (std::vector<int>{1, 2, 3, 4, 5}));
    gProject.clear();
    EXPECT_FALSE(moveElement(1, 1));
}

}  // namespace
}  // namespace brindle
