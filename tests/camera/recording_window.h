#pragma once

#include <map>
#include <string>
#include <vector>

#include "camera/camera_control.h"

namespace zelto {

// A camera window stand-in for CameraControl: keeps what it is told to show.
struct RecordingWindow : CameraWindowView {
    std::string saveFolder, labelA, line6, line7, line8, status;
    CameraLabelColour colourA = CameraLabelColour::Black, colour6 = CameraLabelColour::Black;
    bool release = false, series = false, abort2 = true, saveButton = true;
    std::map<EdsPropertyID, std::vector<std::string>> lists;
    std::map<EdsPropertyID, int> selected;
    std::vector<std::string> messages;
    std::string manualCaption, manualText;
    std::vector<int> progress;
    std::vector<std::string> cameraChoice;
    int chosenCamera = -1;
    bool connecting = false;
    std::string portNote;
    bool releaseOffered = false;

    void SetSaveFolder(const std::string& text) override { saveFolder = text; }
    std::string SaveFolder() const override { return saveFolder; }
    void SetConnectionLabel(const std::string& text, CameraLabelColour colour) override {
        labelA = text, colourA = colour;
    }
    void SetMessageLines(const std::string& l6, CameraLabelColour c6, const std::string& l7,
                         const std::string& l8) override {
        line6 = l6, colour6 = c6, line7 = l7, line8 = l8;
    }
    void SetStatus(const std::string& text) override { status = text; }
    void ProcessMessages() override {}
    void SetReleaseEnabled(bool on) override { release = on; }
    void SetSeriesEnabled(bool on) override { series = on; }
    void SetSeriesAbortEnabled(bool on) override { abort2 = on; }
    void SetSaveButtonEnabled(bool on) override { saveButton = on; }
    void FillList(EdsPropertyID property, const std::vector<SettingItem>& items) override {
        auto& names = lists[property];
        names.clear();
        for (const SettingItem& item : items) names.push_back(item.name);
    }
    void SelectItem(EdsPropertyID property, int index) override { selected[property] = index; }
    int SelectedItem(EdsPropertyID property) const override {
        const auto found = selected.find(property);
        return found == selected.end() ? -1 : found->second;
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ShowManualModeMessage(const std::string& caption, const std::string& text) override {
        manualCaption = caption, manualText = text;
    }
    void SetProgress(int percent) override { progress.push_back(percent); }
    void SetCameraChoice(const std::vector<std::string>& cameras, int chosen) override {
        cameraChoice = cameras, chosenCamera = chosen;
    }
    void SetConnecting(bool on) override { connecting = on; }
    void ShowPortNote(const std::string& text, bool offerRelease) override {
        portNote = text, releaseOffered = offerRelease;
    }
    // The name shown in a list for the camera's current value; empty when none is selected.
    std::string Shown(EdsPropertyID property) const {
        const int index = SelectedItem(property);
        const auto list = lists.find(property);
        if (index < 0 || list == lists.end() || index >= static_cast<int>(list->second.size())) return "";
        return list->second[static_cast<size_t>(index)];
    }
};

}  // namespace zelto
