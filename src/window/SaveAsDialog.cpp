#include "window/SaveAsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <filesystem>

#include "tables/RuntimeError.h"

namespace {
constexpr int nameRole = Qt::UserRole;        // the entry's bytes
constexpr int folderRole = Qt::UserRole + 1;  // whether it is a folder

// What a failed listing of a typed name says: true when nothing is there, or no folder (a
// file, or a name in a folder that is not there), so the name is a file's to save. Any other
// failure (closed, a share that fails) may be a folder's: saving there could replace a
// shapefile of the same name the user never chose.
bool noFolderThere(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const RuntimeError& e) {
        return e.number() == errPathNotFound;
    } catch (...) {
    }
    return false;
}

QLabel* buddied(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}
}  // namespace

SaveAsDialog::SaveAsDialog(QWidget* parent, std::shared_ptr<Platform> platform, const QStringList& filters,
                           int filter, const std::string& folder, const QString& name)
    : QDialog(parent),
      platform_(platform),
      listing_(*this, std::move(platform),
               [this](const std::string& listed, const FolderContents& contents, std::exception_ptr failure) {
                   arrived(listed, contents, failure);
               }),
      path_(new QLabel),
      up_(new QToolButton),
      entries_(new QListWidget),
      name_(new QLineEdit(name)),
      type_(new QComboBox),
      save_(new QPushButton("&Save")) {
    setObjectName("CommonDialog1");
    setWindowTitle("Save As");
    path_->setObjectName("folderPath");
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    up_->setObjectName("upButton");
    up_->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    up_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
    up_->setToolTip("Up one folder (Alt+Up)");
    entries_->setObjectName("listView");
    entries_->installEventFilter(this);
    name_->setObjectName("fileNameEdit");
    type_->setObjectName("fileTypeCombo");
    type_->addItems(filters);
    type_->setCurrentIndex(filter);
    save_->setDefault(true);
    auto* cancel = new QPushButton("Cancel");
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(save_, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);

    const struct {
        QWidget* control;
        const char* name;
    } spoken[] = {{path_, "Folder"}, {up_, "Up one folder"}, {entries_, "Folders and shapefiles"},
                  {name_, "File name"}, {type_, "Save as type"}, {save_, "Save"}, {cancel, "Cancel"}};
    for (const auto& s : spoken) s.control->setAccessibleName(s.name);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Save in:"), 0, 0);
    grid->addWidget(path_, 0, 1);
    grid->addWidget(up_, 0, 2);
    grid->addWidget(entries_, 1, 0, 1, 3);
    grid->addWidget(buddied("File &name:", name_), 2, 0);
    grid->addWidget(name_, 2, 1, 1, 2);
    grid->addWidget(buddied("Save as &type:", type_), 3, 0);
    grid->addWidget(type_, 3, 1, 1, 2);
    grid->addWidget(buttons, 4, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    resize(520, 360);

    connect(up_, &QToolButton::clicked, this, &SaveAsDialog::up);
    connect(save_, &QPushButton::clicked, this, &SaveAsDialog::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(entries_, &QListWidget::itemActivated, this, &SaveAsDialog::activated);
    connect(entries_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item && item->flags() != Qt::NoItemFlags && !item->data(folderRole).toBool()) name_->setText(item->text());
    });
    connect(name_, &QLineEdit::textChanged, this, &SaveAsDialog::updateSave);

    name_->setFocus();
    name_->selectAll();
    open(folder);
}

void SaveAsDialog::open(const std::string& folder) {
    folder_ = folder;
    path_->setText(QString::fromStdString(folder));
    up_->setEnabled(platform_->Chain(folder).size() > 1);  // not at a root
    showWaiting("Listing...");
    listing_.start(folder);
}

// Not while a typed name is looked at: the listing of the folder above would come back as
// the answer about that name.
void SaveAsDialog::up() {
    if (!checking_.empty()) return;
    const std::vector<std::string> chain = platform_->Chain(folder_);
    if (chain.size() > 1) open(chain[chain.size() - 2]);
}

// What the name is can only be known by asking the storage, which may not answer: the
// name is listed as a folder would be. One that lists is a folder and opens; one with
// nothing, or no folder, there is the file to save; any other failure is said in the list.
void SaveAsDialog::save() {
    const std::string typed = name_->text().toStdString();
    if (typed.empty() || !checking_.empty()) return;
    checking_ = platform_->IsAbsolute(typed) ? typed : platform_->Child(folder_, typed);
    setChecking(true);
    showWaiting("Looking at " + name_->text() + "...");
    listing_.start(checking_);
}

void SaveAsDialog::arrived(const std::string& folder, const FolderContents& contents, std::exception_ptr failure) {
    if (!checking_.empty()) {
        checking_.clear();
        if (failure && noFolderThere(failure)) {
            chosen_ = folder;
            accept();
            return;
        }
        if (!failure) {
            // "sub/..", typed, names the folder above.
            folder_ = platform_->Clean(std::filesystem::u8path(folder).lexically_normal().u8string());
            path_->setText(QString::fromStdString(folder_));
            name_->clear();
        }
        setChecking(false);
    }
    entries_->clear();
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const RuntimeError& e) {
            showWaiting(QString::fromStdString(e.description()));
        } catch (...) {
            showWaiting("This folder cannot be listed.");
        }
        return;
    }
    const struct {
        const std::vector<ListedEntry>& entries;
        bool folder;
        QStyle::StandardPixmap icon;
    } groups[] = {{contents.folders, true, QStyle::SP_DirIcon}, {contents.shapefiles, false, QStyle::SP_FileIcon}};
    for (const auto& group : groups) {
        for (const ListedEntry& entry : group.entries) {
            auto* item = new QListWidgetItem(style()->standardIcon(group.icon), entry.shown, entries_);
            item->setData(nameRole, QByteArray::fromStdString(entry.name));
            item->setData(folderRole, group.folder);
        }
    }
}

void SaveAsDialog::activated(QListWidgetItem* item) {
    if (!item || item->flags() == Qt::NoItemFlags || !checking_.empty()) return;
    if (item->data(folderRole).toBool()) open(platform_->Child(folder_, item->data(nameRole).toByteArray().toStdString()));
    else save();
}

// The list's one line while it waits, or why it stays empty.
void SaveAsDialog::showWaiting(const QString& text) {
    entries_->clear();
    auto* line = new QListWidgetItem(text, entries_);
    line->setFlags(Qt::NoItemFlags);
}

// The name stays where it is, and keeps the keyboard, while it is looked at.
void SaveAsDialog::setChecking(bool checking) {
    name_->setReadOnly(checking);
    up_->setEnabled(!checking && platform_->Chain(folder_).size() > 1);
    type_->setEnabled(!checking);
    updateSave();
}

void SaveAsDialog::updateSave() { save_->setEnabled(!name_->text().isEmpty() && checking_.empty()); }

// Return on a folder in the list opens it, and goes no further to press Save.
bool SaveAsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == entries_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            activated(entries_->currentItem());
            return true;
        }
        if (key == Qt::Key_Backspace) {
            up();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
