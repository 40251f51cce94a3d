// Editing operations on a layout: moves held on the sheet, corner order kept, alignment,
// distribution, copies and removal, and undo steps that merge nudges.
#include "designer/ElementOps.h"
#include "designer/FormatEdit.h"

#include <gtest/gtest.h>

namespace {

const SheetSize kLetter = SheetSize::Standard().front();

CRenglonFormato At(std::int32_t left, std::int32_t upper, std::int32_t right, std::int32_t lower) {
    CRenglonFormato e;
    e.Position = {left, upper, right, lower};
    return e;
}

ElementBox Box(const CWindowsFormat& f, std::size_t i) { return ElementBox::Of(f.Elements[i].Position); }

} // namespace

TEST(ElementOps, MovesAreHeldOnTheSheetAndKeepCornerOrder) {
    CWindowsFormat f;
    f.Elements = {At(100, -100, 300, -150), At(400, -500, 200, -450)}; // the second stored reversed
    const ElementOps::Offset moved = ElementOps::Move(f, {0, 1}, 100, -25, kLetter);
    EXPECT_EQ(moved.dx, 100);
    EXPECT_EQ(moved.dy, -25);
    EXPECT_EQ(f.Elements[1].Position, (FormatRect{500, -525, 300, -475}));
    ElementOps::Move(f, {0, 1}, -100, 25, kLetter);
    EXPECT_EQ(f.Elements[1].Position, (FormatRect{400, -500, 200, -450}));

    // Dragged far off the paper: the group stops at the edges, together.
    const ElementOps::Offset held = ElementOps::Move(f, {0, 1}, -5000, 5000, kLetter);
    EXPECT_EQ(held.dx, -100);
    EXPECT_EQ(held.dy, 100);
    EXPECT_EQ(Box(f, 0), (ElementBox{0, 0, 200, -50}));
    ElementOps::Move(f, {0, 1}, 99999, -99999, kLetter);
    EXPECT_EQ(ElementOps::Bounds(f, {0, 1}).right, kLetter.width);
    EXPECT_EQ(ElementOps::Bounds(f, {0, 1}).lower, -kLetter.height);

    // A box typed larger than the sheet is cut to it; corners given reversed are sorted.
    CRenglonFormato big = At(0, 0, 0, 0);
    ElementOps::SetBox(big, {-50, 20, 9000, -100}, kLetter);
    EXPECT_EQ(ElementBox::Of(big.Position), (ElementBox{0, 0, kLetter.width, -120}));
    ElementOps::SetBox(big, {300, -200, 100, -100}, kLetter);
    EXPECT_EQ(ElementBox::Of(big.Position), (ElementBox{100, -100, 300, -200}));

    EXPECT_EQ(ElementOps::Snap(14, 10), 10);
    EXPECT_EQ(ElementOps::Snap(15, 10), 20);
    EXPECT_EQ(ElementOps::Snap(-15, 10), -20);
    EXPECT_EQ(ElementOps::Snap(-14, 10), -10);
    EXPECT_EQ(ElementOps::Snap(7, 0), 7);
}

TEST(ElementOps, AlignSizeAndDistributeFollowTheFirstElement) {
    CWindowsFormat f;
    f.Elements = {At(100, -100, 300, -150), At(150, -300, 250, -320), At(700, -200, 900, -260),
                  At(400, -900, 450, -1000)};
    ElementOps::Align(f, {1, 0, 2}, ElementOps::Edge::Right, kLetter);
    EXPECT_EQ(Box(f, 0).right, 250);
    EXPECT_EQ(Box(f, 2).right, 250);
    EXPECT_EQ(Box(f, 2).width(), 200);
    ElementOps::Align(f, {0, 1}, ElementOps::Edge::Top, kLetter);
    EXPECT_EQ(Box(f, 1).upper, -100);
    EXPECT_EQ(Box(f, 1).height(), 20);
    ElementOps::Align(f, {0, 3}, ElementOps::Edge::CentreY, kLetter);
    // Lined up on an element near the edge, a wider one stays on the paper.
    CWindowsFormat edge;
    edge.Elements = {At(0, -10, 50, -20), At(300, -10, 500, -20)};
    ElementOps::Align(edge, {0, 1}, ElementOps::Edge::Right, kLetter);
    EXPECT_EQ(Box(edge, 1), (ElementBox{0, -10, 200, -20}));
    EXPECT_EQ(Box(f, 3).upper + Box(f, 3).lower, Box(f, 0).upper + Box(f, 0).lower);

    ElementOps::SameWidth(f, {3, 0}, kLetter);
    EXPECT_EQ(Box(f, 0).width(), 50);
    ElementOps::SameHeight(f, {1, 2}, kLetter);
    EXPECT_EQ(Box(f, 2).height(), 20);
    EXPECT_EQ(Box(f, 2).upper, -200);

    CWindowsFormat d;
    d.Elements = {At(0, 0, 100, -10), At(500, 0, 520, -10), At(130, 0, 160, -10), At(1000, 0, 1100, -10)};
    ElementOps::Distribute(d, {0, 1, 2, 3}, true);
    // Free space 1100 − 250 = 850 in three gaps of 283.3.
    EXPECT_EQ(Box(d, 0).left, 0);
    EXPECT_EQ(Box(d, 2).left, 383);
    EXPECT_EQ(Box(d, 1).left, 697);
    EXPECT_EQ(Box(d, 3).left, 1000);
    const CWindowsFormat two = d;
    ElementOps::Distribute(d, {0, 1}, true);
    EXPECT_EQ(d, two);
}

TEST(ElementOps, InsertAndRemoveKeepTheOtherElements) {
    CWindowsFormat f;
    f.Elements = {At(0, 0, 10, -10), At(20, 0, 30, -10), At(40, 0, 50, -10)};
    const ElementOps::Selection added = ElementOps::Insert(f, {f.Elements[2]}, 50, -50, kLetter);
    ASSERT_EQ(added, (ElementOps::Selection{3}));
    EXPECT_EQ(Box(f, 3), (ElementBox{90, -50, 100, -60}));
    // A copy pasted off the sheet lands on its edge.
    ElementOps::Insert(f, {f.Elements[0]}, -100, 100, kLetter);
    EXPECT_EQ(Box(f, 4), (ElementBox{0, 0, 10, -10}));
    ElementOps::Remove(f, {3, 0, 3, 99});
    ASSERT_EQ(f.Elements.size(), 3u);
    EXPECT_EQ(Box(f, 0).left, 20);
    EXPECT_EQ(Box(f, 1).left, 40);
}

TEST(FormatEdit, UndoRedoAndNudgesMergeIntoOneStep) {
    CDesignFormat f;
    f.Format.Elements = {At(100, -100, 200, -150)};
    const CDesignFormat start = f;
    CDesignFormat a = f;
    ElementOps::Move(a.Format, {0}, 1, 0, kLetter);
    CFormatEdit first("Mover", f, a);
    CDesignFormat b = a;
    ElementOps::Move(b.Format, {0}, 1, 0, kLetter);
    EXPECT_TRUE(first.MergeWith(CFormatEdit("Mover", a, b)));
    EXPECT_FALSE(first.MergeWith(CFormatEdit("Alinear", b, b)));
    EXPECT_FALSE(first.MergeWith(CFormatEdit("Mover", a, b))); // does not start where it ends
    first.Redo(f);
    EXPECT_EQ(Box(f.Format, 0).left, 102);
    first.Undo(f);
    EXPECT_TRUE(f.SameDesign(start));
    EXPECT_TRUE(first.Changes());
    EXPECT_FALSE(CFormatEdit("Mover", start, start).Changes());
}

TEST(FormatEdit, RemarksCabenPaperAndPictureAreUndoneButNotTheName) {
    CDesignFormat f;
    f.Id = 7;
    f.Name = "Factura";
    auto picture = std::make_shared<FormatBackground>();
    picture->picture = {1, 2, 3};
    picture->opacity = 50;
    f.Background = picture;
    const CDesignFormat start = f;

    CDesignFormat after = f;
    after.Observaciones = "Forma de la imprenta Esperanza";
    after.CabenByHand = true;
    after.Format.Caben = 12;
    after.Sheet = SheetSize::Named("Media carta");
    auto fainter = std::make_shared<FormatBackground>(*picture);
    fainter->opacity = 30;
    after.Background = fainter;
    const CFormatEdit edit("Propiedades del formato", f, after);
    EXPECT_TRUE(edit.Changes());

    f.Name = "Factura renombrada"; // renamed meanwhile, outside the undo steps
    edit.Redo(f);
    EXPECT_EQ(f.Observaciones, "Forma de la imprenta Esperanza");
    EXPECT_TRUE(f.CabenByHand);
    EXPECT_EQ(f.Format.Caben, 12);
    EXPECT_EQ(f.Sheet.height, 2159);
    EXPECT_EQ(f.Background->opacity, 30);
    edit.Undo(f);
    EXPECT_TRUE(f.SameDesign(start));
    EXPECT_EQ(f.Background->opacity, 50);
    EXPECT_EQ(f.Id, 7);
    EXPECT_EQ(f.Name, "Factura renombrada");

    // An equal picture in another copy is no change; no picture at all is one.
    CDesignFormat same = start;
    same.Background = std::make_shared<FormatBackground>(*picture);
    EXPECT_FALSE(CFormatEdit("Fondo", start, same).Changes());
    same.Background.reset();
    EXPECT_TRUE(CFormatEdit("Fondo", start, same).Changes());
}
