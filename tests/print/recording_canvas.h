// A print canvas that records every drawing call with its page, with a fixed
// line height and a fixed character width, so that tests can check positions.
#pragma once

#include "print/print_canvas.h"

#include <algorithm>
#include <string>
#include <vector>

namespace qv::test {

struct Drawn {
    enum Kind { Text, Line, ClassImage, ReplicaImage } kind;
    int page;           // 1-based
    int x1, y1, x2, y2; // text and images: x1, y1 top left, x2, y2 width and height
    std::string text;   // text, or the replica marker
    int image = -1;
};

class RecordingCanvas final : public PrintCanvas {
public:
    RecordingCanvas(int width, int height, int lineHeight = 10, int charWidth = 5)
        : width_(width), height_(height), lh_(lineHeight), cw_(charWidth) {}

    std::vector<Drawn> drawn;
    std::vector<int> fontSizes;
    std::vector<std::string> titles;
    int pages = 0;
    bool begun = false, ended = false, aborted = false;

    void BeginJob(std::string_view title) override {
        titles.emplace_back(title);
        begun = true;
        pages = 1;
    }
    void EndJob() override { ended = true; }
    void AbortJob() override { aborted = true; }
    void NewPage() override { ++pages; }
    int PageWidth() const override { return width_; }
    int PageHeight() const override { return height_; }
    int Resolution() const override { return 600; }
    void SetFontSize(int pointSize) override { fontSizes.push_back(pointSize); }
    int FontHeight() const override { return lh_; }
    int TextWidth(std::string_view text) const override {
        return static_cast<int>(text.size()) * cw_;
    }
    void TextOut(int x, int y, std::string_view text) override {
        drawn.push_back({Drawn::Text, pages, x, y, 0, 0, std::string(text)});
    }
    void Line(int x1, int y1, int x2, int y2) override {
        drawn.push_back({Drawn::Line, pages, x1, y1, x2, y2, {}});
    }
    void ClassImage(int x, int y, int w, int h, int index) override {
        drawn.push_back({Drawn::ClassImage, pages, x, y, w, h, {}, index});
    }
    void ReplicaImage(int x, int y, int w, int h, std::string_view marker) override {
        drawn.push_back({Drawn::ReplicaImage, pages, x, y, w, h, std::string(marker)});
    }

    // Non-empty texts in drawing order, with their pages.
    std::vector<Drawn> Texts() const { return Of(Drawn::Text, true); }
    std::vector<Drawn> Of(Drawn::Kind kind, bool skipEmpty = false) const {
        std::vector<Drawn> out;
        for (const Drawn& d : drawn)
            if (d.kind == kind && !(skipEmpty && d.text.empty() && kind == Drawn::Text))
                out.push_back(d);
        return out;
    }
    // The first text equal to t, or nullptr.
    const Drawn* FindText(const std::string& t, int page = 0) const {
        for (const Drawn& d : drawn)
            if (d.kind == Drawn::Text && d.text == t && (page == 0 || d.page == page))
                return &d;
        return nullptr;
    }
    bool HasLine(int page, int x1, int y1, int x2, int y2) const {
        return std::any_of(drawn.begin(), drawn.end(), [&](const Drawn& d) {
            return d.kind == Drawn::Line && d.page == page && d.x1 == x1 && d.y1 == y1 &&
                   d.x2 == x2 && d.y2 == y2;
        });
    }
    std::vector<Drawn> VerticalLinesAt(int page, int x) const {
        std::vector<Drawn> out;
        for (const Drawn& d : drawn)
            if (d.kind == Drawn::Line && d.page == page && d.x1 == x && d.x2 == x)
                out.push_back(d);
        return out;
    }

private:
    int width_, height_, lh_, cw_;
};

// A print status that records its texts.
class RecordingStatus final : public PrintStatus {
public:
    std::vector<std::string> texts;
    bool okShown = false;
    void ShowStatus(std::string_view text) override { texts.emplace_back(text); }
    void ShowOk() override { okShown = true; }
};

} // namespace qv::test
