#include <QImage>

#include <string_view>

#import <AppKit/AppKit.h>

namespace tarnwick {

QImage systemSymbolImage(std::string_view name, int pixelSide) {
    @autoreleasepool {
        NSString* symbolName = [[NSString alloc] initWithBytes:name.data()
                                                        length:name.size()
                                                      encoding:NSUTF8StringEncoding];
        NSImage* symbol = [NSImage imageWithSystemSymbolName:symbolName accessibilityDescription:nil];
        if (symbol == nil) {
            return {};
        }
        NSImageSymbolConfiguration* configuration =
            [NSImageSymbolConfiguration configurationWithPointSize:pixelSide weight:NSFontWeightRegular];
        symbol = [symbol imageWithSymbolConfiguration:configuration];

        QImage image(pixelSide, pixelSide, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
        CGContextRef context = CGBitmapContextCreate(image.bits(), pixelSide, pixelSide, 8, image.bytesPerLine(), space,
                                                     kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Host);
        CGColorSpaceRelease(space);
        if (context == nullptr) {
            return {};
        }
        NSGraphicsContext* graphics = [NSGraphicsContext graphicsContextWithCGContext:context flipped:NO];
        [NSGraphicsContext saveGraphicsState];
        [NSGraphicsContext setCurrentContext:graphics];
        // Keep the symbol's proportions, centred in the square.
        const NSSize size = symbol.size;
        const CGFloat scale = std::min(pixelSide / std::max<CGFloat>(size.width, 1),
                                       pixelSide / std::max<CGFloat>(size.height, 1));
        const NSRect target = NSMakeRect((pixelSide - size.width * scale) / 2, (pixelSide - size.height * scale) / 2,
                                         size.width * scale, size.height * scale);
        [symbol drawInRect:target fromRect:NSZeroRect operation:NSCompositingOperationSourceOver fraction:1.0];
        [NSGraphicsContext restoreGraphicsState];
        CGContextRelease(context);
        return image;
    }
}

} // namespace tarnwick
