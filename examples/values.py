"""Builds a transform, a rectangle, a colour and a text style through the Automation classes and
prints their text forms."""
import quorix

rect = quorix.CreateObject("Quorix2.XRect")
rect.String = "72, 72, 540, 720"
rect.Inset(36, 36)
print("rectangle      ", rect, "width", rect.Width, "height", rect.Height)

transform = quorix.CreateObject("Quorix2.XTransform")
transform.Rotate(30, 306, 396)
transform.Translate(10, 20)
print("transform      ", transform)

color = quorix.CreateObject("Quorix2.XColor")
color.String = "255 128"
print("colour         ", color)

style = quorix.CreateObject("Quorix2.XTextStyle")
style.Size = 12
style.Underline = True
print("text style     ", style)
