#include "window/FolderListing.h"

#include <mutex>
#include <thread>

// The one thing a listing thread shares with the window: whether it is still there. The
// result is handed over under the lock, so the window cannot go in the middle of it.
struct FolderListing::Owner {
    std::mutex lock;
    QObject* window;  // null once the window is gone
};

FolderListing::FolderListing(QObject& owner, std::shared_ptr<Platform> platform, Arrived arrived)
    : owner_(std::make_shared<Owner>()), platform_(std::move(platform)), arrived_(std::move(arrived)) {
    owner_->window = &owner;
}

FolderListing::~FolderListing() {
    const std::lock_guard<std::mutex> hold(owner_->lock);
    owner_->window = nullptr;
}

void FolderListing::start(const std::string& folder) {
    const unsigned request = ++newest_;
    std::thread([owner = owner_, platform = platform_, folder, request, self = this] {
        FolderContents contents;
        std::exception_ptr failure;
        try {
            contents = folderEntries(*platform, folder);
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard<std::mutex> hold(owner->lock);
        if (!owner->window) return;
        // Runs on the window's thread, and only while the window (and so this listing, one of
        // its members) is there: Qt drops the calls waiting for a window that goes.
        QMetaObject::invokeMethod(
            owner->window,
            [self, request, folder, contents = std::move(contents), failure] {
                if (request == self->newest_) self->arrived_(folder, contents, failure);
            },
            Qt::QueuedConnection);
    }).detach();
}
