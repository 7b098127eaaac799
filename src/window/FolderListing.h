#pragma once
#include <QObject>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "window/FolderEntries.h"

// Lists folders on threads of their own, so that a folder on a slow or unreachable share
// never holds the window. The newest request's result comes back to `arrived` on the
// owner's thread; an earlier one that arrives after it is dropped. A listing that still
// waits when the owner goes is left behind, holding only the platform and its own result,
// which is then dropped: closing the window never waits for a share.
class FolderListing {
public:
    // `failure` is set when the folder could not be listed; `contents` is then empty.
    using Arrived = std::function<void(const std::string& folder, const FolderContents& contents,
                                       std::exception_ptr failure)>;

    // `owner` holds this listing as a member.
    FolderListing(QObject& owner, std::shared_ptr<Platform> platform, Arrived arrived);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    void start(const std::string& folder);

private:
    struct Owner;
    std::shared_ptr<Owner> owner_;
    std::shared_ptr<Platform> platform_;
    Arrived arrived_;
    unsigned newest_ = 0;
};
