// The main window and where the space goes: the space window over the folder the main window
// shows (it follows that folder, a click selects the Entry there, a double-click on a folder
// shows it), its export as PNG and SVG, and a second space window over the whole catalogue.
#pragma once

#include "browser/gui/spaceform.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kx {

class TInfoFileForm;
class ListSpace;

class SpaceController {
public:
    explicit SpaceController(TInfoFileForm& window);
    ~SpaceController();

    // The commands: the window on one of its tabs, beside the main window.
    void showClick(TSpaceForm::Tab tab);
    // The main window shows another folder: the window follows it.
    void folderShown();
    // The list's marks or comments changed.
    void listChanged();
    // The list is about to go: nothing of it may stay.
    void forgetList();
    void applyTexts();
    TSpaceForm* spaceForm() const { return m_form; }

    // The window over every list of the catalogue, beside the catalogue window.
    void showCatalogue(QWidget* beside);
    TSpaceForm* catalogueForm() const { return m_catalogueForm; }

private:
    TSpaceForm* makeForm(QWidget* parent);
    // The form's handlers, with the save and the guard every form shares.
    void setHandlers(TSpaceForm& form, TSpaceForm::Handlers h);
    void save(TSpaceForm& form, bool svg);
    void reveal(const Entry* e);

    TInfoFileForm& m_w;
    TSpaceForm* m_form = nullptr;
    TSpaceForm* m_catalogueForm = nullptr;
    // The bytes of every subtree of the open list, made when first needed.
    std::shared_ptr<const std::vector<std::uint64_t>> m_bytes;
    bool m_revealing = false; // a click of the window moves the main window: not followed
};

} // namespace kx
