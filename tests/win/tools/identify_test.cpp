// Identify against a stand-in document behind the browser's interface:
// Wine has no HTML engine, so the page automation is checked here.
#include "tools/win/identify_page.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace yq {
namespace {

struct Log {
    std::vector<std::string> events;
    DWORD navigated_at = 0;
    DWORD looked_at = 0;
};

class StandInElement : public win::WebElement {
  public:
    StandInElement(Log& log, std::string id) : log_(log), id_(std::move(id)) {}
    void click() override { log_.events.push_back("click " + id_); }

  private:
    Log& log_;
    std::string id_;
};

class NoElement : public win::WebElement {
  public:
    void click() override {}
};

class StandInDocument : public win::WebDocument {
  public:
    StandInDocument(Log& log, std::vector<std::string> ids) : log_(log), ids_(std::move(ids)) {}
    std::unique_ptr<win::WebElement> element_by_id(const std::string& id) override {
        if (!log_.looked_at) log_.looked_at = GetTickCount();
        log_.events.push_back("find " + id);
        for (const std::string& have : ids_)
            if (have == id) return std::make_unique<StandInElement>(log_, id);
        return std::make_unique<NoElement>();
    }

  private:
    Log& log_;
    std::vector<std::string> ids_;
};

class StandInView : public win::WebView {
  public:
    StandInView(Log& log, std::vector<std::string> ids, bool loads)
        : log_(log), ids_(std::move(ids)), loads_(loads) {}
    void navigate(const std::string& url) override {
        log_.events.push_back("navigate " + url);
        log_.navigated_at = GetTickCount();
    }
    bool loaded() override { return loads_; }
    std::unique_ptr<win::WebDocument> document() override {
        return std::make_unique<StandInDocument>(log_, ids_);
    }

  private:
    Log& log_;
    std::vector<std::string> ids_;
    bool loads_;
};

TEST(Identify, ClicksTheUploadThenTheSubmitThenShowsTheWindow) {
    Log log;
    StandInView view(log, {"uploaded_file", "forward"}, true);
    identify(view, "http://127.0.0.1/identify/", [&] { log.events.push_back("show"); });
    EXPECT_EQ(log.events, (std::vector<std::string>{"navigate http://127.0.0.1/identify/",
                                                    "find uploaded_file", "click uploaded_file",
                                                    "find forward", "click forward", "show"}));
    // A page that has loaded is still given the floor of the wait.
    EXPECT_GE(log.looked_at - log.navigated_at, kIdentifyWaitFloorMs - 20);
}

TEST(Identify, MissingElementsAndAPageThatNeverLoadsStillShowTheWindow) {
    Log log;
    StandInView view(log, {"forward"}, false);
    identify(view, "http://x/", [&] { log.events.push_back("show"); });
    EXPECT_EQ(log.events, (std::vector<std::string>{"navigate http://x/", "find uploaded_file",
                                                    "find forward", "click forward", "show"}));
    // Waited for the page up to the ceiling, not for ever.
    EXPECT_GE(log.looked_at - log.navigated_at, kIdentifyWaitCeilingMs - 20);
    EXPECT_LT(log.looked_at - log.navigated_at, kIdentifyWaitCeilingMs + 2000);
}

}  // namespace
}  // namespace yq
