#include "FormFile.h"

#include <QFile>
#include <QXmlStreamReader>

namespace {

QRect ReadRect(QXmlStreamReader& xml)
{
    QRect rect;
    while (xml.readNextStartElement()) {
        const int value = xml.readElementText().toInt();
        if (xml.name() == u"x")
            rect.moveLeft(value);
        else if (xml.name() == u"y")
            rect.moveTop(value);
        else if (xml.name() == u"width")
            rect.setWidth(value);
        else if (xml.name() == u"height")
            rect.setHeight(value);
    }
    return rect;
}

void ReadProperty(QXmlStreamReader& xml, FormWidget& widget)
{
    const QString name = xml.attributes().value(QLatin1String("name")).toString();
    while (xml.readNextStartElement()) {
        if (name == u"geometry" && xml.name() == u"rect")
            widget.geometry = ReadRect(xml);
        else if (name == u"text" && xml.name() == u"string")
            widget.text = xml.readElementText();
        else if (name == u"fontPixelSize" && xml.name() == u"number")
            widget.fontPixelSize = xml.readElementText().toInt();
        else if (name == u"visible" && xml.name() == u"bool")
            widget.visible = xml.readElementText() == u"true";
        else if (name == u"enabled" && xml.name() == u"bool")
            widget.enabled = xml.readElementText() == u"true";
        else
            xml.skipCurrentElement();
    }
}

void ReadWidget(QXmlStreamReader& xml, const FormWidget* parent, std::vector<FormWidget>& widgets)
{
    FormWidget widget;
    widget.name = xml.attributes().value(QLatin1String("name")).toString();
    widget.className = xml.attributes().value(QLatin1String("class")).toString();
    if (parent) {
        widget.parentName = parent->name;
        widget.fontPixelSize = parent->fontPixelSize;
    }
    const std::size_t index = widgets.size();
    widgets.push_back(widget);
    // A widget's properties come before the widgets it holds.
    while (xml.readNextStartElement()) {
        if (xml.name() == u"property") {
            ReadProperty(xml, widgets[index]);
        } else if (xml.name() == u"widget") {
            const FormWidget holder = widgets[index];
            ReadWidget(xml, &holder, widgets);
        } else {
            xml.skipCurrentElement();
        }
    }
}

} // namespace

std::vector<FormWidget> ReadFormWidgets(const QString& path)
{
    std::vector<FormWidget> widgets;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return widgets;
    QXmlStreamReader xml(&file);
    if (xml.readNextStartElement() && xml.name() == u"ui") {
        while (xml.readNextStartElement()) {
            if (xml.name() == u"widget")
                ReadWidget(xml, nullptr, widgets);
            else
                xml.skipCurrentElement();
        }
    }
    return widgets;
}
